// What the program's application manifest asks of the system, read from the
// file the Windows builds embed (res/plinthwise.manifest): the code page of
// the ANSI functions and the DPI awareness. Windows reads the manifest when
// the process starts; so does the simulated desktop, once per process.
#include "sim/desktop.h"
#include "sim/sim_system.h"

#include <stdio.h>

#include <string>

namespace sim {

#ifndef PLINTH_MANIFEST
#error "the build names the program's manifest in PLINTH_MANIFEST"
#endif

// The text of the first element of that name, "" when there is none.
static std::string ElementText(const std::string &xml, const char *name)
{
    size_t start = xml.find(std::string("<") + name);
    if (start == std::string::npos || (start = xml.find('>', start)) == std::string::npos)
        return "";
    size_t end = xml.find(std::string("</") + name, ++start);
    return end == std::string::npos ? "" : xml.substr(start, end - start);
}

static const ManifestSettings &Read()
{
    static ManifestSettings settings;
    static bool read = false;
    if (read)
        return settings;
    read = true;
    std::string xml;
    if (FILE *f = fopen(PLINTH_MANIFEST, "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
            xml.append(buffer, n);
        fclose(f);
    }
    // Without the entry Windows keeps the system's code page, here Western.
    settings.codePage = ElementText(xml, "activeCodePage") == "UTF-8" ? CP_UTF8 : 1252;
    // "dpiAwareness" wins over "dpiAware" where Windows reads both; its
    // value is a list whose first known entry counts.
    std::string awareness = ElementText(xml, "dpiAwareness");
    awareness = awareness.substr(0, awareness.find(','));
    if (awareness.empty())
        awareness = ElementText(xml, "dpiAware") == "true" ? "System" : "Unaware";
    settings.dpiAwareness = awareness;
    return settings;
}

static bool codePageIgnored = false;

const ManifestSettings &Manifest() { return Read(); }
void IgnoreManifestCodePage() { codePageIgnored = true; }

} // namespace sim

UINT GetACP() { return sim::codePageIgnored ? 1252 : sim::Manifest().codePage; }

// PowerShell on the simulated system, for the elevated retry: the script of
// the command line it is started with runs as PowerShell would run it
// (tests/psscript.h), and PowerShell ends with the exit code that gives.
// The elevated copy itself is not run: the user's answer to the elevation
// prompt and the copy's exit code stand in for it.
#pragma once

#include <string>
#include <vector>

#include "sim/sim.h"
#include "sim/sim_system.h"
#include "tests/psscript.h"

enum class Prompt {
    Accepted,    // the copy runs and its exit code comes back
    Declined,    // the user answers No: Start-Process reports an error
    NoExitCode,  // the copy runs, but the process object has no exit code
};

struct SimPowerShell {
    std::vector<std::string> statements;  // what PowerShell ran
    std::vector<std::string> copies;      // each elevated copy: path, then arguments
};

// From now on each powershell.exe the program starts runs its script with
// this answer and exit code of the copy. With `later`, PowerShell ends when
// the test's script next lets it, otherwise at once.
inline void RunPowerShellAs(Prompt prompt, DWORD copyExitCode, SimPowerShell *seen = nullptr, bool later = false)
{
    sim::OnProcessStart("powershell.exe", [=](const sim::ProcessRecord &p) {
        auto narrow = [](const std::wstring &w) { return std::string(w.begin(), w.end()); };
        psscript::Host host;
        host.note = [=](const std::wstring &line) {
            if (seen)
                seen->statements.push_back(narrow(line));
        };
        host.start = [=](const psscript::StartRequest &r, psscript::Started *started, std::wstring *error) {
            if (prompt == Prompt::Declined && r.verb == L"RunAs") {
                *error = L"This command cannot be run due to the error: The operation was canceled by the user.";
                return false;
            }
            if (seen)
                seen->copies.push_back(narrow(r.filePath) + " " + narrow(r.argumentList));
            started->valid = true;
            started->hasExitCode = prompt != Prompt::NoExitCode;
            started->exitCode = copyExitCode;
            return true;
        };
        // The simulated system's ANSI code page is Latin-1.
        std::wstring line;
        for (unsigned char c : p.commandLine)
            line += (wchar_t)c;
        DWORD code = (DWORD)psscript::Run(psscript::CommandText(psscript::SplitArguments(line)), host);
        DWORD pid = p.pid;
        if (later)
            sim::Then([pid, code] { sim::EndProcess(pid, code); });
        else
            sim::EndProcess(pid, code);
    });
}

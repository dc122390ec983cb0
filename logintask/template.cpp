#include "logintask/template.h"

#include <string.h>

bool AppendBytes(TemplateOutput &out, const char *bytes, int count)
{
    if (count > out.size - 1 - out.length)
        return false;
    memcpy(out.buffer + out.length, bytes, (size_t)count);
    out.length += count;
    return true;
}

bool FillTemplate(TemplateOutput &out, const char *text, const char *const *substitutions, SubstitutionWriter write)
{
    int next = 0;
    for (const char *t = text; *t; t++) {
        bool fits;
        if (t[0] == '%' && t[1] == 's') {
            fits = write(out, substitutions[next++]);
            t++;
        } else {
            fits = AppendBytes(out, t, 1);
        }
        if (!fits)
            return false;
    }
    out.buffer[out.length] = 0;
    return true;
}

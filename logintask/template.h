// A template whose "%s" stand for texts, filled into a buffer of fixed size
// with each text written the way its destination needs (quoted for a
// command line, escaped for XML). A result that would not fit is refused,
// never cut: a cut command or document would mean something else.
#pragma once

// The buffer being filled, and how much of it is in use.
struct TemplateOutput {
    char *buffer;
    int size;    // bytes, terminator included
    int length;  // bytes written so far
};

// Appends count bytes; false when they would leave no room for the terminator.
bool AppendBytes(TemplateOutput &out, const char *bytes, int count);

// Writes one substituted text; false when it does not fit or cannot be written.
typedef bool (*SubstitutionWriter)(TemplateOutput &out, const char *text);

// The template's text as it stands, each "%s" replaced by the next of the
// substitutions as `write` writes it, and the terminator. False when the
// result would not fit or a substitution could not be written.
bool FillTemplate(TemplateOutput &out, const char *text, const char *const *substitutions, SubstitutionWriter write);

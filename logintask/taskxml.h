// The logon task's XML document, made afresh for the user the program runs
// as and for the program's own executable, and its widening for COM.
#pragma once

#include "platform/platform.h"

// The document buffer's size in bytes, terminator included.
const int LoginTaskXmlSize = 4096;

// Fills the caller's buffer with the LoginTaskXml. Author and both UserId
// elements (logon trigger and principal) carry the user (UserId the SID's
// text form when the account resolves, else the user name), Command the
// executable's path, each escaped for XML. S_OK, or
// E_FAIL, with an empty buffer, when the document would not fit or a
// substitution holds a control character that XML cannot carry.
HRESULT BuildLoginTaskXml(char document[LoginTaskXmlSize]);

// The document widened from the ANSI code page into a new BSTR of its
// length (line ends kept), which the caller frees with SysFreeString.
// S_OK; E_OUTOFMEMORY when the BSTR cannot be had; E_FAIL when the text
// cannot be converted. *xml is nullptr on failure.
HRESULT WidenLoginTaskXml(LPCSTR document, BSTR *xml);

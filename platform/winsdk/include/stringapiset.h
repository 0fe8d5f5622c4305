// Conversion between 8-bit text and 16-bit wide text (UTF-16), and the
// length of a wide string.
//
// Code pages: CP_UTF8, and CP_ACP, CP_OEMCP and CP_THREAD_ACP, which are
// UTF-8 on POSIX; any other gives ERROR_INVALID_PARAMETER.
//
// Both functions follow Windows: a source length of -1 means "up to and with
// the zero terminator"; a destination size of 0 asks for the size needed; a
// destination too small gives 0 and ERROR_INSUFFICIENT_BUFFER (the part
// written is unspecified, nothing beyond the size is written). Invalid input
// - bytes that are not UTF-8 (overlong forms, encoded surrogates, values
// beyond U+10FFFF, cut sequences) and unpaired surrogates - becomes U+FFFD,
// one for each maximal invalid part; with MB_ERR_INVALID_CHARS or
// WC_ERR_INVALID_CHARS the call fails instead with 0 and
// ERROR_NO_UNICODE_TRANSLATION. Neither function reads beyond the given
// length.
//
// WideCharToMultiByte with CP_UTF8 refuses lpDefaultChar and
// lpUsedDefaultChar (ERROR_INVALID_PARAMETER), as Windows does. With the
// ANSI code pages they are accepted: an unpaired surrogate then becomes
// the default character (the first byte of lpDefaultChar, "?" when it is
// null) and sets *lpUsedDefaultChar.
#pragma once

#include "windef.h"
#include "winnls.h"

using LPCCH = const CHAR*;
using LPCWCH = const WCHAR*;
using LPBOOL = BOOL*;

extern "C" {
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                        LPBOOL lpUsedDefaultChar);
// The characters before the zero; 0 for null.
int lstrlenW(LPCWSTR lpString);
}

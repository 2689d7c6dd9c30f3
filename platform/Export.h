// The one export-macro pattern of the project: building a library exports,
// using it imports; on ELF everything is hidden except what is marked.
#pragma once

#if defined(_WIN32)
#define ZR_DLL_EXPORT __declspec(dllexport)
#define ZR_DLL_IMPORT __declspec(dllimport)
#else
#define ZR_DLL_EXPORT __attribute__((visibility("default")))
#define ZR_DLL_IMPORT __attribute__((visibility("default")))
#endif

#pragma once
// The serial-link library's eight exported functions as a table of pointers.
// The analysis program never links the library: it binds these entries by name
// at run time (see declares.h), and the exchange sequences take the table, so
// any table with the same behaviour drives them.

#include <cstdint>
#include <string_view>

#if defined(_WIN32) && !defined(_WIN64)
#define TARVEL_FLTPORT_CALL __stdcall  // 32-bit Windows exports use the standard call
#else
#define TARVEL_FLTPORT_CALL
#endif

namespace tarvel::device {

extern "C" {
using InitComportFn = int32_t(TARVEL_FLTPORT_CALL*)(const char* port);
using CloseComportFn = int32_t(TARVEL_FLTPORT_CALL*)();
using ReadConfigCommandFn = int32_t(TARVEL_FLTPORT_CALL*)(int32_t index, char* reply);
using WriteConfigCommandFn = int32_t(TARVEL_FLTPORT_CALL*)(int32_t index, char* value, int32_t length);
using StartUploadFn = int32_t(TARVEL_FLTPORT_CALL*)(const char* prefix, int32_t* count);
using ConvertFn = int32_t(TARVEL_FLTPORT_CALL*)(const char* step, char* inOut, const char* rate);
using ConvertHpFn = int32_t(TARVEL_FLTPORT_CALL*)(char* a, char* b, char* c);
}

// Null entries are not bound (yet).
struct FltportApi {
    InitComportFn InitComport = nullptr;
    CloseComportFn CloseComport = nullptr;
    ReadConfigCommandFn ReadConfigCommand = nullptr;
    WriteConfigCommandFn WriteConfigCommand = nullptr;
    StartUploadFn StartUpload = nullptr;
    ConvertFn ConvertAcceltoVel = nullptr;
    ConvertFn ConvertVeltoDist = nullptr;
    ConvertHpFn ConvertVelAcceltoHP = nullptr;
};

enum class FltportEntry {
    InitComport,
    CloseComport,
    ReadConfigCommand,
    WriteConfigCommand,
    StartUpload,
    ConvertAcceltoVel,
    ConvertVeltoDist,
    ConvertVelAcceltoHP,
};
inline constexpr int kFltportEntryCount = 8;

std::string_view entryName(FltportEntry entry);

}  // namespace tarvel::device

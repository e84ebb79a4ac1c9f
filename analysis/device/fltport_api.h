#pragma once
// The serial-link library's ten exported functions as a table of pointers.
// The analysis program never links the library: it binds these entries by name
// at run time (see declares.h), and the exchange sequences take the table, so
// any table with the same behaviour drives them.

#include <string_view>

// The pointer types come from the library's own header: only its types are
// used, nothing of the library is linked.
#include "fltport.h"

namespace tarvel::device {

using ConvertFn = ConvertAcceltoVelFn;
using ConvertHpFn = ConvertVelAcceltoHPFn;

// Null entries are not bound (yet).
struct FltportApi {
    InitComportFn InitComport = nullptr;
    CloseComportFn CloseComport = nullptr;
    ReadConfigCommandFn ReadConfigCommand = nullptr;
    WriteConfigCommandFn WriteConfigCommand = nullptr;
    StartUploadFn StartUpload = nullptr;
    CancelUploadFn CancelUpload = nullptr;
    SetUploadProgressFn SetUploadProgress = nullptr;
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
    CancelUpload,
    SetUploadProgress,
    ConvertAcceltoVel,
    ConvertVeltoDist,
    ConvertVelAcceltoHP,
};
inline constexpr int kFltportEntryCount = 10;

std::string_view entryName(FltportEntry entry);

}  // namespace tarvel::device

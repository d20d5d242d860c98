#pragma once
// Why a file was refused as an MP3 source, for the sentence shown after the failure message.
#include "engine/stream/Mp3SourceFile.h"

#include <string>

inline constexpr const char* kFreeFormatRefusal = "free-format streams are not supported";

// The reason for a refusal that says more than "no MP3 audio here"; empty for the others.
std::string OpenFailureReason(Mp3SourceFile::OpenError error);
// The same for a file that failed to open: it is opened again to find out.
std::string OpenFailureReason(const std::string& path);
// message followed by " Reason: <reason>." when there is a reason; message unchanged otherwise.
std::string WithOpenFailureReason(const std::string& message, const std::string& path);

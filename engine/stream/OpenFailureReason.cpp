#include "engine/stream/OpenFailureReason.h"

std::string OpenFailureReason(Mp3SourceFile::OpenError error)
{
    return error == Mp3SourceFile::OpenError::FreeFormat ? kFreeFormatRefusal : std::string();
}

std::string OpenFailureReason(const std::string& path)
{
    Mp3SourceFile source;
    if (source.Open(path))
        return {};
    return OpenFailureReason(source.LastOpenError());
}

std::string WithOpenFailureReason(const std::string& message, const std::string& path)
{
    const std::string reason = OpenFailureReason(path);
    return reason.empty() ? message : message + " Reason: " + reason + ".";
}

#include "platform/ShellLink.h"

#include <array>

namespace {

using Bytes = std::span<const uint8_t>;

// The fixed header: its size, the class identifier 00021401-0000-0000-C000-000000000046 as stored,
// and the offset of the link flags.
constexpr uint32_t kHeaderSize = 0x4C;
constexpr std::array<uint8_t, 16> kLinkClassId
    = { 0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 };
constexpr size_t kLinkFlagsAt = 20;

// Link flags: which optional structures follow the header, in this order.
constexpr uint32_t kHasLinkTargetIdList = 0x1;
constexpr uint32_t kHasLinkInfo = 0x2;
constexpr uint32_t kHasName = 0x4;
constexpr uint32_t kHasRelativePath = 0x8;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kForceNoLinkInfo = 0x100;

// Link information: header fields (offsets from its start) and flags.
constexpr uint32_t kLinkInfoMinimumHeader = 0x1C;
constexpr uint32_t kLinkInfoUnicodeHeader = 0x24; // adds the two UTF-16 offsets
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr uint32_t kCommonNetworkRelativeLink = 0x2;

// Item list entries: the type byte's class bits, and the file entry's extension block.
constexpr uint8_t kClassRootFolder = 0x10;
constexpr uint8_t kClassVolume = 0x20;
constexpr uint8_t kClassFileEntry = 0x30;
constexpr uint8_t kFileEntryUnicodeName = 0x04;
constexpr size_t kFileEntryNameAt = 14;
constexpr uint32_t kFileEntryExtensionSignature = 0xBEEF0004;

bool ReadU16(Bytes bytes, size_t at, uint16_t& value)
{
    if (at > bytes.size() || bytes.size() - at < 2)
        return false;
    value = static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    return true;
}

bool ReadU32(Bytes bytes, size_t at, uint32_t& value)
{
    if (at > bytes.size() || bytes.size() - at < 4)
        return false;
    value = static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8)
        | (static_cast<uint32_t>(bytes[at + 2]) << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
    return true;
}

// The part of bytes from at with length bytes, or nothing when it does not lie inside.
std::optional<Bytes> Part(Bytes bytes, size_t at, size_t length)
{
    if (at > bytes.size() || bytes.size() - at < length)
        return std::nullopt;
    return bytes.subspan(at, length);
}

void AppendUtf8(std::string& text, uint32_t codePoint)
{
    if (codePoint < 0x80) {
        text += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        text += static_cast<char>(0xC0 | (codePoint >> 6));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        text += static_cast<char>(0xE0 | (codePoint >> 12));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (codePoint >> 18));
        text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Single-byte text in the creating system's code page, which the file does not record: read as
// Latin-1, which keeps ASCII exact and gives every byte some character.
std::string FromAnsi(Bytes text)
{
    std::string utf8;
    for (const uint8_t byte : text)
        AppendUtf8(utf8, byte);
    return utf8;
}

// UTF-16LE without its terminator; an unpaired surrogate becomes U+FFFD.
std::string FromUtf16(Bytes text)
{
    std::string utf8;
    for (size_t at = 0; at + 1 < text.size(); at += 2) {
        uint32_t unit = text[at] | (text[at + 1] << 8);
        if (unit >= 0xD800 && unit < 0xDC00 && at + 3 < text.size()) {
            const uint32_t low = text[at + 2] | (text[at + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                at += 2;
                continue;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000)
            unit = 0xFFFD;
        AppendUtf8(utf8, unit);
    }
    return utf8;
}

// A NUL-terminated string that starts at offset and ends inside the structure; nothing otherwise.
std::optional<std::string> AnsiStringAt(Bytes structure, size_t offset)
{
    for (size_t end = offset; end < structure.size(); ++end)
        if (structure[end] == 0)
            return FromAnsi(structure.subspan(offset, end - offset));
    return std::nullopt;
}

std::optional<std::string> Utf16StringAt(Bytes structure, size_t offset)
{
    for (size_t end = offset; end < structure.size() && structure.size() - end >= 2; end += 2)
        if (structure[end] == 0 && structure[end + 1] == 0)
            return FromUtf16(structure.subspan(offset, end - offset));
    return std::nullopt;
}

// A folder and what follows it, with one backslash between them.
std::string JoinWindowsPath(const std::string& folder, const std::string& rest)
{
    if (rest.empty())
        return folder;
    if (folder.empty() || folder.back() == '\\')
        return folder + rest;
    return folder + '\\' + rest;
}

// The target path of the link information: the local base path, or the network share's name,
// followed by the common path suffix. The UTF-16 forms are preferred when the header has them.
std::optional<std::string> LinkInfoPath(Bytes info)
{
    uint32_t headerSize = 0, flags = 0, localBasePathAt = 0, networkLinkAt = 0, suffixAt = 0;
    if (!ReadU32(info, 4, headerSize) || !ReadU32(info, 8, flags) || !ReadU32(info, 16, localBasePathAt)
        || !ReadU32(info, 20, networkLinkAt) || !ReadU32(info, 24, suffixAt))
        return std::nullopt;
    if (headerSize < kLinkInfoMinimumHeader || headerSize > info.size())
        return std::nullopt;
    uint32_t localBasePathUnicodeAt = 0, suffixUnicodeAt = 0;
    if (headerSize >= kLinkInfoUnicodeHeader
        && (!ReadU32(info, 28, localBasePathUnicodeAt) || !ReadU32(info, 32, suffixUnicodeAt)))
        return std::nullopt;

    std::optional<std::string> suffix
        = suffixUnicodeAt != 0 ? Utf16StringAt(info, suffixUnicodeAt) : AnsiStringAt(info, suffixAt);
    if (!suffix)
        return std::nullopt;

    if (flags & kVolumeIdAndLocalBasePath) {
        const std::optional<std::string> base = localBasePathUnicodeAt != 0
            ? Utf16StringAt(info, localBasePathUnicodeAt)
            : AnsiStringAt(info, localBasePathAt);
        if (!base)
            return std::nullopt;
        return JoinWindowsPath(*base, *suffix);
    }
    if (flags & kCommonNetworkRelativeLink) {
        uint32_t linkSize = 0;
        if (!ReadU32(info, networkLinkAt, linkSize))
            return std::nullopt;
        const std::optional<Bytes> link = Part(info, networkLinkAt, linkSize);
        uint32_t netNameAt = 0;
        if (!link || !ReadU32(*link, 8, netNameAt))
            return std::nullopt;
        // An offset of the ANSI name beyond the short header announces the UTF-16 one.
        uint32_t netNameUnicodeAt = 0;
        if (netNameAt > 0x14 && !ReadU32(*link, 0x14, netNameUnicodeAt))
            return std::nullopt;
        const std::optional<std::string> share
            = netNameUnicodeAt != 0 ? Utf16StringAt(*link, netNameUnicodeAt) : AnsiStringAt(*link, netNameAt);
        if (!share)
            return std::nullopt;
        return JoinWindowsPath(*share, *suffix);
    }
    return std::nullopt;
}

// Where a file entry's long name starts in its extension block, by the block's version.
size_t LongNameOffset(uint16_t version)
{
    if (version >= 9)
        return 46;
    if (version == 8)
        return 42;
    if (version == 7)
        return 38;
    return 20;
}

// A file entry's name: the long name of its extension block when it has one, else its primary
// name (the short 8.3 name on older systems).
std::optional<std::string> FileEntryName(Bytes item, uint8_t type)
{
    const bool unicode = type & kFileEntryUnicodeName;
    const std::optional<std::string> primary
        = unicode ? Utf16StringAt(item, kFileEntryNameAt) : AnsiStringAt(item, kFileEntryNameAt);
    if (!primary)
        return std::nullopt;
    // The primary name with its terminator, padded to an even length, then the extension block.
    size_t extensionAt = kFileEntryNameAt;
    if (unicode) {
        while ((item[extensionAt] | item[extensionAt + 1]) != 0)
            extensionAt += 2;
        extensionAt += 2;
    } else {
        while (item[extensionAt] != 0)
            ++extensionAt;
        extensionAt += 1 + (extensionAt + 1) % 2;
    }
    uint16_t extensionSize = 0, version = 0;
    uint32_t signature = 0;
    if (!ReadU16(item, extensionAt, extensionSize) || !ReadU16(item, extensionAt + 2, version)
        || !ReadU32(item, extensionAt + 4, signature) || signature != kFileEntryExtensionSignature || version < 3)
        return primary;
    const std::optional<Bytes> extension = Part(item, extensionAt, extensionSize);
    if (!extension)
        return primary;
    const std::optional<std::string> longName = Utf16StringAt(*extension, LongNameOffset(version));
    return (longName && !longName->empty()) ? longName : primary;
}

// The path that the target's item list spells: a volume ("C:\") followed by file entries. Lists
// that start elsewhere (network places, control panel items, other virtual folders) have no path.
std::optional<std::string> IdListPath(Bytes list)
{
    std::string path;
    size_t at = 0;
    for (;;) {
        uint16_t itemSize = 0;
        if (!ReadU16(list, at, itemSize))
            return std::nullopt;
        if (itemSize == 0)
            break; // the terminal entry
        const std::optional<Bytes> item = Part(list, at, itemSize);
        if (!item || itemSize < 3)
            return std::nullopt;
        const uint8_t type = (*item)[2];
        switch (type & 0x70) {
        case kClassRootFolder:
            break; // "My Computer" and the like: the volume that follows names the place
        case kClassVolume: {
            const std::optional<std::string> volume = AnsiStringAt(*item, 3);
            if (!volume || volume->empty())
                return std::nullopt;
            path = *volume;
            break;
        }
        case kClassFileEntry: {
            if (path.empty())
                return std::nullopt;
            const std::optional<std::string> name = FileEntryName(*item, type);
            if (!name || name->empty())
                return std::nullopt;
            path = JoinWindowsPath(path, *name);
            break;
        }
        default:
            return std::nullopt;
        }
        at += itemSize;
    }
    if (path.empty())
        return std::nullopt;
    return path;
}

bool HasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

} // namespace

std::optional<ShellLinkTarget> ParseShellLink(std::span<const uint8_t> bytes)
{
    uint32_t headerSize = 0, flags = 0;
    if (!ReadU32(bytes, 0, headerSize) || headerSize != kHeaderSize || bytes.size() < kHeaderSize)
        return std::nullopt;
    for (size_t i = 0; i < kLinkClassId.size(); ++i)
        if (bytes[4 + i] != kLinkClassId[i])
            return std::nullopt;
    if (!ReadU32(bytes, kLinkFlagsAt, flags))
        return std::nullopt;

    // Each structure must fit in what remains; one that does not makes the whole link damaged.
    size_t at = kHeaderSize;
    std::optional<Bytes> idList;
    if (flags & kHasLinkTargetIdList) {
        uint16_t listSize = 0;
        if (!ReadU16(bytes, at, listSize) || !(idList = Part(bytes, at + 2, listSize)))
            return std::nullopt;
        at += 2 + static_cast<size_t>(listSize);
    }
    std::optional<Bytes> linkInfo;
    if (flags & kHasLinkInfo) {
        uint32_t infoSize = 0;
        if (!ReadU32(bytes, at, infoSize) || infoSize < kLinkInfoMinimumHeader
            || !(linkInfo = Part(bytes, at, infoSize)))
            return std::nullopt;
        at += infoSize;
        if (flags & kForceNoLinkInfo)
            linkInfo.reset();
    }
    ShellLinkTarget target;
    const size_t unitSize = (flags & kIsUnicode) ? 2 : 1;
    for (const uint32_t stringFlag : { kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation }) {
        if (!(flags & stringFlag))
            continue;
        uint16_t count = 0;
        if (!ReadU16(bytes, at, count))
            return std::nullopt;
        const std::optional<Bytes> text = Part(bytes, at + 2, static_cast<size_t>(count) * unitSize);
        if (!text)
            return std::nullopt;
        at += 2 + text->size();
        if (stringFlag == kHasRelativePath) {
            target.relativePath = unitSize == 2 ? FromUtf16(*text) : FromAnsi(*text);
            // A counted string holds no terminator; a NUL inside would cut the path short.
            if (HasNul(target.relativePath))
                target.relativePath.clear();
        }
    }

    if (linkInfo)
        if (const std::optional<std::string> path = LinkInfoPath(*linkInfo))
            target.absolutePath = *path;
    if (target.absolutePath.empty() && idList)
        if (const std::optional<std::string> path = IdListPath(*idList))
            target.absolutePath = *path;
    if (target.absolutePath.empty() && target.relativePath.empty())
        return std::nullopt;
    return target;
}

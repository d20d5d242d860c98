#pragma once
// Builds ".lnk" shell link files byte by byte for tests: the header, a target item list, link
// information (local, UTF-16 or network), and counted strings.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace shelllink {

using Bytes = std::vector<uint8_t>;

// Link flags the builder sets from the parts given; extra ones can be added.
constexpr uint32_t kForceNoLinkInfo = 0x100;

struct LinkParts {
    std::optional<Bytes> itemList; // the items with their terminal entry, without the list's size
    std::optional<Bytes> linkInfo;
    std::optional<std::u16string> name; // the description
    std::optional<std::u16string> relativePath;
    std::optional<std::u16string> workingDir;
    bool unicode = true; // counted strings in UTF-16, else one byte per character (values below 256)
    uint32_t extraFlags = 0;
};

Bytes BuildLink(const LinkParts& parts);

// Link information with a local path (base path + common suffix), single-byte strings.
Bytes LocalLinkInfo(const std::string& basePath, const std::string& suffix = "");
// The same with a header that carries UTF-16 forms of both strings besides placeholder ANSI ones.
Bytes UnicodeLinkInfo(const std::u16string& basePath, const std::u16string& suffix = u"");
// Link information for a file on a network share ("\\server\share") with the common suffix.
Bytes NetworkLinkInfo(const std::string& share, const std::string& suffix);

// Items of a target list: "My Computer", a volume ("C:\"), a file or folder entry with its short
// name and, when given, an extension block of that version holding the long name.
Bytes RootFolderItem();
Bytes VolumeItem(const std::string& volume);
Bytes FileEntryItem(
    const std::string& shortName, const std::u16string& longName = u"", uint16_t version = 9, bool folder = false);
// Concatenates items and appends the terminal entry.
Bytes ItemList(const std::vector<Bytes>& items);

// A shortcut to a local path, as Windows writes for a file on a drive: item list, link information
// and a relative path.
Bytes LinkToLocalFile(const std::string& windowsPath, const std::u16string& relativePath = u"");

void PutU16(Bytes& bytes, uint16_t value);
void PutU32(Bytes& bytes, uint32_t value);
void SetU32(Bytes& bytes, size_t at, uint32_t value);
std::u16string Utf16(const std::string& ascii);

} // namespace shelllink

#include "tests/support/ShellLinkBuilder.h"

namespace shelllink {

namespace {

    constexpr uint32_t kHasLinkTargetIdList = 0x1;
    constexpr uint32_t kHasLinkInfo = 0x2;
    constexpr uint32_t kHasName = 0x4;
    constexpr uint32_t kHasRelativePath = 0x8;
    constexpr uint32_t kHasWorkingDir = 0x10;
    constexpr uint32_t kIsUnicode = 0x80;

    void PutAnsi(Bytes& bytes, const std::string& text)
    {
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back(0);
    }

    void PutUtf16(Bytes& bytes, const std::u16string& text, bool terminated)
    {
        for (const char16_t unit : text)
            PutU16(bytes, static_cast<uint16_t>(unit));
        if (terminated)
            PutU16(bytes, 0);
    }

    void PutCounted(Bytes& bytes, const std::u16string& text, bool unicode)
    {
        PutU16(bytes, static_cast<uint16_t>(text.size()));
        if (unicode) {
            PutUtf16(bytes, text, false);
        } else {
            for (const char16_t unit : text)
                bytes.push_back(static_cast<uint8_t>(unit));
        }
    }

    Bytes VolumeId()
    {
        Bytes volume;
        PutU32(volume, 0x11); // size
        PutU32(volume, 3); // fixed drive
        PutU32(volume, 0x1234ABCD); // serial number
        PutU32(volume, 0x10); // label offset
        volume.push_back(0); // empty label
        return volume;
    }

} // namespace

void PutU16(Bytes& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(Bytes& bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void SetU32(Bytes& bytes, size_t at, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes[at + static_cast<size_t>(shift / 8)] = static_cast<uint8_t>(value >> shift);
}

std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

Bytes BuildLink(const LinkParts& parts)
{
    uint32_t flags = parts.extraFlags;
    if (parts.itemList)
        flags |= kHasLinkTargetIdList;
    if (parts.linkInfo)
        flags |= kHasLinkInfo;
    if (parts.name)
        flags |= kHasName;
    if (parts.relativePath)
        flags |= kHasRelativePath;
    if (parts.workingDir)
        flags |= kHasWorkingDir;
    if (parts.unicode)
        flags |= kIsUnicode;

    Bytes link;
    PutU32(link, 0x4C);
    for (const uint8_t byte :
        { 0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 })
        link.push_back(byte);
    PutU32(link, flags);
    PutU32(link, 0x20); // archive attribute
    link.resize(link.size() + 24, 0); // three file times
    PutU32(link, 12345); // target size
    PutU32(link, 0); // icon index
    PutU32(link, 1); // show normal
    link.resize(0x4C, 0); // hot key and reserved fields

    if (parts.itemList) {
        PutU16(link, static_cast<uint16_t>(parts.itemList->size()));
        link.insert(link.end(), parts.itemList->begin(), parts.itemList->end());
    }
    if (parts.linkInfo)
        link.insert(link.end(), parts.linkInfo->begin(), parts.linkInfo->end());
    for (const auto* text : { &parts.name, &parts.relativePath, &parts.workingDir })
        if (*text)
            PutCounted(link, **text, parts.unicode);
    PutU32(link, 0); // terminal extra data block
    return link;
}

Bytes LocalLinkInfo(const std::string& basePath, const std::string& suffix)
{
    Bytes info(0x1C, 0);
    const Bytes volume = VolumeId();
    info.insert(info.end(), volume.begin(), volume.end());
    const size_t baseAt = info.size();
    PutAnsi(info, basePath);
    const size_t suffixAt = info.size();
    PutAnsi(info, suffix);
    SetU32(info, 0, static_cast<uint32_t>(info.size()));
    SetU32(info, 4, 0x1C);
    SetU32(info, 8, 1); // volume and local base path
    SetU32(info, 12, 0x1C);
    SetU32(info, 16, static_cast<uint32_t>(baseAt));
    SetU32(info, 24, static_cast<uint32_t>(suffixAt));
    return info;
}

Bytes UnicodeLinkInfo(const std::u16string& basePath, const std::u16string& suffix)
{
    Bytes info(0x24, 0);
    const Bytes volume = VolumeId();
    info.insert(info.end(), volume.begin(), volume.end());
    const size_t baseAt = info.size();
    PutAnsi(info, "C:\\?");
    const size_t suffixAt = info.size();
    PutAnsi(info, "?");
    if (info.size() % 2)
        info.push_back(0);
    const size_t baseUnicodeAt = info.size();
    PutUtf16(info, basePath, true);
    const size_t suffixUnicodeAt = info.size();
    PutUtf16(info, suffix, true);
    SetU32(info, 0, static_cast<uint32_t>(info.size()));
    SetU32(info, 4, 0x24);
    SetU32(info, 8, 1);
    SetU32(info, 12, 0x24);
    SetU32(info, 16, static_cast<uint32_t>(baseAt));
    SetU32(info, 24, static_cast<uint32_t>(suffixAt));
    SetU32(info, 28, static_cast<uint32_t>(baseUnicodeAt));
    SetU32(info, 32, static_cast<uint32_t>(suffixUnicodeAt));
    return info;
}

Bytes NetworkLinkInfo(const std::string& share, const std::string& suffix)
{
    Bytes network;
    PutU32(network, 0); // size, set below
    PutU32(network, 2); // valid network type
    PutU32(network, 0x14); // net name offset
    PutU32(network, 0); // no device name
    PutU32(network, 0x20000); // provider
    PutAnsi(network, share);
    SetU32(network, 0, static_cast<uint32_t>(network.size()));

    Bytes info(0x1C, 0);
    const size_t networkAt = info.size();
    info.insert(info.end(), network.begin(), network.end());
    const size_t suffixAt = info.size();
    PutAnsi(info, suffix);
    SetU32(info, 0, static_cast<uint32_t>(info.size()));
    SetU32(info, 4, 0x1C);
    SetU32(info, 8, 2); // common network relative link
    SetU32(info, 20, static_cast<uint32_t>(networkAt));
    SetU32(info, 24, static_cast<uint32_t>(suffixAt));
    return info;
}

Bytes RootFolderItem()
{
    // "My Computer": {20D04FE0-3AEA-1069-A2D8-08002B30309D}.
    Bytes item;
    PutU16(item, 0x14);
    for (const uint8_t byte :
        { 0x1F, 0x50, 0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D })
        item.push_back(byte);
    return item;
}

Bytes VolumeItem(const std::string& volume)
{
    Bytes item;
    PutU16(item, 0);
    item.push_back(0x2F);
    PutAnsi(item, volume);
    item.resize(0x19, 0);
    item[0] = static_cast<uint8_t>(item.size());
    return item;
}

Bytes FileEntryItem(const std::string& shortName, const std::u16string& longName, uint16_t version, bool folder)
{
    Bytes item;
    PutU16(item, 0);
    item.push_back(folder ? 0x31 : 0x32);
    item.push_back(0);
    PutU32(item, folder ? 0 : 4096); // size
    PutU32(item, 0xA3693C2C); // modification time
    PutU16(item, folder ? 0x10 : 0x20); // attributes
    PutAnsi(item, shortName);
    if (item.size() % 2)
        item.push_back(0);
    if (!longName.empty()) {
        Bytes extension;
        PutU16(extension, 0); // size, set below
        PutU16(extension, version);
        PutU32(extension, 0xBEEF0004);
        PutU32(extension, 0xA3693C2C); // creation
        PutU32(extension, 0xA3693C2C); // last access
        PutU16(extension, version >= 9 ? 0x2E : 0x14); // writer's version
        if (version >= 7) {
            PutU16(extension, 0);
            PutU32(extension, 0x1E03);
            PutU32(extension, 0x1EF50000); // file reference
            PutU32(extension, 0);
            PutU32(extension, 0);
        }
        PutU16(extension, 0); // no localised name
        if (version >= 9)
            PutU32(extension, 0);
        if (version >= 8)
            PutU32(extension, 0);
        PutUtf16(extension, longName, true);
        PutU16(extension, static_cast<uint16_t>(14 + 2 * (shortName.size() + 1))); // first extension offset
        extension[0] = static_cast<uint8_t>(extension.size());
        extension[1] = static_cast<uint8_t>(extension.size() >> 8);
        item.insert(item.end(), extension.begin(), extension.end());
    }
    PutU16(item, 0); // no further extension
    item[0] = static_cast<uint8_t>(item.size());
    item[1] = static_cast<uint8_t>(item.size() >> 8);
    return item;
}

Bytes ItemList(const std::vector<Bytes>& items)
{
    Bytes list;
    for (const Bytes& item : items)
        list.insert(list.end(), item.begin(), item.end());
    PutU16(list, 0);
    return list;
}

Bytes LinkToLocalFile(const std::string& windowsPath, const std::u16string& relativePath)
{
    LinkParts parts;
    const size_t slash = windowsPath.find('\\');
    std::vector<Bytes> items { RootFolderItem(), VolumeItem(windowsPath.substr(0, slash + 1)) };
    size_t start = slash + 1;
    while (start < windowsPath.size()) {
        const size_t end = windowsPath.find('\\', start);
        const std::string name = windowsPath.substr(start, end == std::string::npos ? std::string::npos : end - start);
        items.push_back(FileEntryItem(name.substr(0, 8), Utf16(name), 9, end != std::string::npos));
        start = end == std::string::npos ? windowsPath.size() : end + 1;
    }
    parts.itemList = ItemList(items);
    parts.linkInfo = LocalLinkInfo(windowsPath);
    if (!relativePath.empty())
        parts.relativePath = relativePath;
    parts.name = u"A shortcut";
    return BuildLink(parts);
}

} // namespace shelllink

// The shell link parser on shortcuts built byte by byte: what each way of recording a target gives,
// and that damaged and hostile files give nothing.
#include "platform/ShellLink.h"

#include "tests/support/ShellLinkBuilder.h"

#include <gtest/gtest.h>
#include <random>

using namespace shelllink;

namespace {

std::optional<ShellLinkTarget> Parse(const Bytes& bytes) { return ParseShellLink(bytes); }

// A shortcut with every part: item list, local link information and a relative path.
Bytes FullLink()
{
    LinkParts parts;
    parts.itemList = ItemList({ RootFolderItem(), VolumeItem("C:\\"), FileEntryItem("MUSIC", u"Music", 9, true),
        FileEntryItem("SONGON~1.MP3", u"Song one.mp3") });
    parts.linkInfo = LocalLinkInfo("C:\\Music\\Song one.mp3");
    parts.name = u"Song";
    parts.relativePath = u"..\\Music\\Song one.mp3";
    parts.workingDir = u"C:\\Music";
    return BuildLink(parts);
}

} // namespace

TEST(ShellLink, ReadsLocalNetworkAndRelativeTargets)
{
    const auto full = Parse(FullLink());
    ASSERT_TRUE(full);
    EXPECT_EQ(full->absolutePath, "C:\\Music\\Song one.mp3");
    EXPECT_EQ(full->relativePath, "..\\Music\\Song one.mp3");

    LinkParts split;
    split.linkInfo = LocalLinkInfo("C:\\Music\\", "Album\\b.mp3"); // base and common suffix
    EXPECT_EQ(Parse(BuildLink(split))->absolutePath, "C:\\Music\\Album\\b.mp3");
    split.linkInfo = LocalLinkInfo("D:\\Music", "b.mp3");
    EXPECT_EQ(Parse(BuildLink(split))->absolutePath, "D:\\Music\\b.mp3");

    LinkParts network;
    network.linkInfo = NetworkLinkInfo("\\\\server\\share", "Music\\c.mp3");
    EXPECT_EQ(Parse(BuildLink(network))->absolutePath, "\\\\server\\share\\Music\\c.mp3");

    LinkParts relativeOnly;
    relativeOnly.relativePath = u".\\d.mp3";
    const auto relative = Parse(BuildLink(relativeOnly));
    ASSERT_TRUE(relative);
    EXPECT_EQ(relative->absolutePath, "");
    EXPECT_EQ(relative->relativePath, ".\\d.mp3");

    // Counted strings of one byte per character are read as Latin-1.
    relativeOnly.unicode = false;
    relativeOnly.relativePath = u"caf\u00e9.mp3";
    EXPECT_EQ(Parse(BuildLink(relativeOnly))->relativePath, "caf\xc3\xa9.mp3");
}

TEST(ShellLink, PrefersTheUtf16FormsAndDecodesEveryPlane)
{
    LinkParts parts;
    parts.linkInfo = UnicodeLinkInfo(u"C:\\M\u00fcsik\\", u"\u65e5\u672c \U0001F3B5.mp3");
    const auto target = Parse(BuildLink(parts));
    ASSERT_TRUE(target);
    EXPECT_EQ(target->absolutePath, "C:\\M\xc3\xbcsik\\\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8e\xb5.mp3");

    // An unpaired surrogate cannot be spelled in UTF-8: it becomes the replacement character.
    LinkParts broken;
    broken.relativePath = std::u16string(u"a") + char16_t(0xD800) + u".mp3";
    EXPECT_EQ(Parse(BuildLink(broken))->relativePath, "a\xef\xbf\xbd.mp3");
}

TEST(ShellLink, BuildsThePathFromTheItemListWhenThatIsAllThereIs)
{
    LinkParts parts;
    parts.itemList = ItemList({ RootFolderItem(), VolumeItem("E:\\"), FileEntryItem("MYMUSI~1", u"My Music", 9, true),
        FileEntryItem("VISTA~1", u"Vista folder", 7, true), FileEntryItem("XP~1", u"XP folder", 3, true),
        FileEntryItem("W7~1", u"Seven", 8, true), FileEntryItem("SHORT.MP3") });
    const auto target = Parse(BuildLink(parts));
    ASSERT_TRUE(target);
    EXPECT_EQ(target->absolutePath, "E:\\My Music\\Vista folder\\XP folder\\Seven\\SHORT.MP3");
    EXPECT_EQ(target->relativePath, "");

    // Link information the header tells us to ignore gives way to the item list.
    parts.linkInfo = LocalLinkInfo("C:\\ignored.mp3");
    parts.extraFlags = kForceNoLinkInfo;
    EXPECT_EQ(Parse(BuildLink(parts))->absolutePath, "E:\\My Music\\Vista folder\\XP folder\\Seven\\SHORT.MP3");

    // Lists that do not start at a volume have no path: a file entry alone, an unknown item kind.
    for (const Bytes& list : { ItemList({ FileEntryItem("A.MP3") }),
             ItemList({ RootFolderItem(), Bytes { 0x05, 0x00, 0x61, 0x00, 0x00 } }) }) {
        LinkParts virtualFolder;
        virtualFolder.itemList = list;
        EXPECT_FALSE(Parse(BuildLink(virtualFolder)));
    }
}

TEST(ShellLink, RefusesWhatIsNotAShellLink)
{
    EXPECT_FALSE(Parse({}));
    EXPECT_FALSE(Parse(Bytes(75, 0)));
    Bytes link = FullLink();
    Bytes wrongSize = link;
    wrongSize[0] = 0x4D;
    EXPECT_FALSE(Parse(wrongSize));
    Bytes wrongClass = link;
    wrongClass[19] ^= 0xFF;
    EXPECT_FALSE(Parse(wrongClass));
    // A valid header that records no target at all.
    EXPECT_FALSE(Parse(BuildLink({})));
    LinkParts nameOnly;
    nameOnly.name = u"just a description";
    EXPECT_FALSE(Parse(BuildLink(nameOnly)));
}

TEST(ShellLink, SizesAndOffsetsPastTheirStructureGiveNothing)
{
    const Bytes link = FullLink();
    const size_t listSizeAt = 0x4C;
    const uint16_t listSize = static_cast<uint16_t>(link[listSizeAt] | (link[listSizeAt + 1] << 8));
    const size_t infoAt = listSizeAt + 2 + listSize;

    Bytes listTooLong = link;
    listTooLong[listSizeAt] = 0xFF;
    listTooLong[listSizeAt + 1] = 0xFF;
    EXPECT_FALSE(Parse(listTooLong));

    for (const uint32_t infoSize : { 0u, 0x1Bu, 0xFFFFFFFFu, 0x7FFFFFFFu }) {
        Bytes badInfo = link;
        SetU32(badInfo, infoAt, infoSize);
        EXPECT_FALSE(Parse(badInfo)) << infoSize;
    }

    // Offsets inside the link information that point past it: the information names no path, the
    // relative path still stands.
    LinkParts infoAndRelative;
    infoAndRelative.linkInfo = LocalLinkInfo("C:\\Music\\Song one.mp3");
    infoAndRelative.relativePath = u"Song one.mp3";
    const Bytes second = BuildLink(infoAndRelative);
    for (const size_t field : { 4u, 16u, 24u }) {
        for (const uint32_t offset : { 0xFFFFFFF0u, 0x10000u }) {
            Bytes badOffset = second;
            SetU32(badOffset, 0x4C + field, offset);
            const auto target = Parse(badOffset);
            ASSERT_TRUE(target) << field;
            EXPECT_EQ(target->absolutePath, "") << field;
            EXPECT_EQ(target->relativePath, "Song one.mp3");
        }
    }
    LinkParts unterminated;
    Bytes info = LocalLinkInfo("C:\\a.mp3");
    info.resize(info.size() - 2); // drop the terminators of the base path and of the suffix
    SetU32(info, 0, static_cast<uint32_t>(info.size()));
    unterminated.linkInfo = info;
    EXPECT_FALSE(Parse(BuildLink(unterminated)));

    // A counted string longer than what is left.
    LinkParts counted;
    counted.relativePath = u"a.mp3";
    Bytes longString = BuildLink(counted);
    longString[0x4C] = 0xFF;
    longString[0x4D] = 0x7F;
    EXPECT_FALSE(Parse(longString));

    // Items whose sizes are too small to hold their type, or run past the list.
    for (const Bytes& items : { Bytes { 0x02, 0x00, 0x00, 0x00 }, Bytes { 0x01, 0x00, 0x00, 0x00 },
             Bytes { 0x40, 0x00, 0x2F, 0x43, 0x00, 0x00 } }) {
        LinkParts parts;
        parts.itemList = items;
        EXPECT_FALSE(Parse(BuildLink(parts)));
    }

    // A NUL inside a counted string would shorten the path: the string is not taken.
    LinkParts embedded;
    embedded.relativePath = std::u16string(u"a.mp3") + char16_t(0) + u"x";
    EXPECT_FALSE(Parse(BuildLink(embedded)));
}

TEST(ShellLink, EveryTruncationAndEveryDamagedByteIsHandled)
{
    const Bytes link = FullLink();
    // The last four bytes are the terminal extra-data block, which the parser does not need.
    for (size_t length = 0; length + 4 < link.size(); ++length) {
        const Bytes prefix(link.begin(), link.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(Parse(prefix)) << length;
    }
    std::mt19937 random(20240601);
    std::uniform_int_distribution<size_t> position(0, link.size() - 1);
    std::uniform_int_distribution<int> value(0, 255);
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes damaged = link;
        for (int flips = 1 + round % 4; flips > 0; --flips)
            damaged[position(random)] = static_cast<uint8_t>(value(random));
        if (const auto target = Parse(damaged)) {
            ++parsed;
            EXPECT_FALSE(target->absolutePath.empty() && target->relativePath.empty());
            EXPECT_EQ(target->relativePath.find('\0'), std::string::npos);
        }
    }
    EXPECT_GT(parsed, 0); // most single flips land in fields that do not matter
}

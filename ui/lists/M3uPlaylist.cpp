#include "ui/lists/M3uPlaylist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QUrl>

namespace {

// Far more than any list of paths needs (100,000 entries of 160 bytes).
constexpr qint64 kLargestPlaylist = 16 * 1024 * 1024;

QString FromLocal(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string ToLocal(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool EndsWithNoCase(const std::string& text, const char* suffix)
{
    return QString::fromStdString(text).endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

QString DecodeText(QByteArray bytes, bool utf8Only)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8Only || !utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

// An entry line as a full path; empty for an address that is no local file.
QString EntryPath(const QString& line, const QDir& folder)
{
    QString path = line;
    if (path.startsWith("file:", Qt::CaseInsensitive)) {
        const QUrl url(path);
        if (!url.isLocalFile())
            return {};
        path = url.toLocalFile();
    } else if (path.contains("://")) {
        return path; // a web address: reported as a file that failed to load
    }
    QString full = QDir::cleanPath(folder.absoluteFilePath(path));
    // Playlists made on Windows separate folders with backslashes.
    if (path.contains('\\') && !QFileInfo::exists(full)) {
        const QString slashed = QDir::cleanPath(folder.absoluteFilePath(QString(path).replace('\\', '/')));
        if (QFileInfo::exists(slashed))
            full = slashed;
    }
    return full;
}

} // namespace

bool IsPlaylistPath(const std::string& path) { return EndsWithNoCase(path, ".m3u") || EndsWithNoCase(path, ".m3u8"); }

bool ReadM3uPlaylist(const std::string& playlistPath, std::vector<std::string>& entries, std::string& reason)
{
    entries.clear();
    QFile file(FromLocal(playlistPath));
    if (!file.open(QIODevice::ReadOnly)) {
        reason = "it cannot be read";
        return false;
    }
    if (file.size() > kLargestPlaylist) {
        reason = "it is too large for a playlist";
        return false;
    }
    const QByteArray bytes = file.read(kLargestPlaylist + 1);
    if (bytes.size() > kLargestPlaylist) {
        reason = "it is too large for a playlist";
        return false;
    }
    if (bytes.contains('\0')) {
        reason = "it holds binary data, not a playlist";
        return false;
    }
    const QString text = DecodeText(bytes, EndsWithNoCase(playlistPath, ".m3u8"));
    const QDir folder = QFileInfo(file.fileName()).absoluteDir();
    for (QStringView line : QStringView(text).split('\n')) {
        line = line.trimmed(); // also the CR of CR LF
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (entries.size() == kMostPlaylistEntries) {
            reason = "only its first " + std::to_string(kMostPlaylistEntries) + " entries were read";
            return true;
        }
        const QString path = EntryPath(line.toString(), folder);
        entries.push_back(path.isEmpty() ? line.toString().toStdString() : ToLocal(path));
    }
    reason.clear();
    return true;
}

bool WriteM3uPlaylist(const std::string& playlistPath, const std::vector<PlaylistEntry>& entries, std::string& error)
{
    const QString target = FromLocal(playlistPath);
    const QDir folder = QFileInfo(target).absoluteDir();
    QByteArray text = "#EXTM3U\n";
    for (const PlaylistEntry& entry : entries) {
        const QString full = QFileInfo(FromLocal(entry.path)).absoluteFilePath();
        const QString relative = folder.relativeFilePath(full);
        const QString written = relative.startsWith("../") || QDir::isAbsolutePath(relative) ? full : relative;
        QString title = QString::fromStdString(entry.title).simplified();
        if (title.isEmpty())
            title = QFileInfo(full).completeBaseName();
        text += "#EXTINF:" + QByteArray::number(static_cast<qlonglong>(entry.seconds)) + "," + title.toUtf8() + "\n";
        // A name holding a line break cannot be written as one line: its URL can.
        text += (written.contains('\n') || written.contains('\r') ? QUrl::fromLocalFile(full).toEncoded()
                                                                  : written.toUtf8())
            + "\n";
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        error = "Failed to create file \"" + playlistPath + "\".";
        return false;
    }
    if (file.write(text) != text.size() || !file.commit()) {
        file.cancelWriting();
        error = "Failed to write file \"" + playlistPath + "\".";
        return false;
    }
    return true;
}

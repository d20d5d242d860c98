#include "platform/desktop/RevealInExplorer.h"

#include "platform/desktop/ShellOpen.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>

namespace {

// A file manager that does not answer within this time is taken to be absent.
constexpr int kFileManagerTimeoutMs = 3000;

bool ShowItemsOverDBus(const QUrl& fileUrl)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList { fileUrl.toString() } << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kFileManagerTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

Revealer& TestRevealer()
{
    static Revealer revealer;
    return revealer;
}

} // namespace

void SetRevealerForTests(Revealer revealer) { TestRevealer() = std::move(revealer); }

bool RevealInExplorer(const std::string& path)
{
    if (TestRevealer())
        return TestRevealer()(path);
    const QFileInfo file(QString::fromStdString(path));
    if (ShowItemsOverDBus(QUrl::fromLocalFile(file.absoluteFilePath())))
        return true;
    return OpenUrl(QUrl::fromLocalFile(file.absolutePath()));
}

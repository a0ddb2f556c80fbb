#include "TestSupport/LogCapture.h"

#include <QStringList>

namespace mivo::test {

namespace {
LogCapture* g_current = nullptr;
}

LogCapture::LogCapture()
    : m_outer(g_current)
{
    g_current = this;
    m_previous = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    g_current = m_outer;
}

void LogCapture::handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    LogCapture* capture = g_current;
    if (!capture)
        return;
    capture->m_messages.append({ type, QString::fromUtf8(context.category ? context.category : ""), text });
    if (capture->m_previous)
        capture->m_previous(type, context, text);
}

QStringList LogCapture::texts(const QString& categorySuffix, QtMsgType type) const
{
    QStringList result;
    for (const Message& message : m_messages) {
        if (message.type == type && message.category.endsWith(categorySuffix))
            result.append(message.text);
    }
    return result;
}

bool LogCapture::contains(const QString& categorySuffix, QtMsgType type, const QString& text) const
{
    return texts(categorySuffix, type).contains(text);
}

} // namespace mivo::test

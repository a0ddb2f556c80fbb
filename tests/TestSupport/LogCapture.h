#pragma once

#include <QList>
#include <QLoggingCategory>
#include <QString>
#include <QtGlobal>

namespace mivo::test {

// Records every log message while it exists (and passes each on to the
// handler that was installed before it).
class LogCapture {
public:
    struct Message {
        QtMsgType type;
        QString category;
        QString text;
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const QList<Message>& messages() const { return m_messages; }
    // The texts logged in a category ending with `categorySuffix` (for
    // example ".client") at the given level.
    QStringList texts(const QString& categorySuffix, QtMsgType type) const;
    bool contains(const QString& categorySuffix, QtMsgType type, const QString& text) const;
    void clear() { m_messages.clear(); }

    // Turns a level of a category on for the rest of the test program,
    // whatever the logging rules of the environment say.
    static void enable(const QLoggingCategory& category, QtMsgType type)
    {
        const_cast<QLoggingCategory&>(category).setEnabled(type, true);
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text);

    QList<Message> m_messages;
    QtMessageHandler m_previous = nullptr;
    LogCapture* m_outer = nullptr;
};

} // namespace mivo::test

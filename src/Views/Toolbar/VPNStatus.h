#pragma once

#include "Styling/ThemeColor.h"
#include "Transport/WireVocabulary.h"

#include <QCoreApplication>
#include <QString>
#include <optional>

namespace mivo {

// What the toolbar's VPN control shows, decided from the configuration, the
// routing status the helper last pushed and the control's own transient state
// (a running test, its feedback, the last server count it learned).
struct VPNStatus {
    Q_DECLARE_TR_FUNCTIONS(VPNStatus)

public:
    // The result of the last connection test while it is shown.
    enum class TestFeedback { success, failure };

    struct Inputs {
        bool enabled = false; // the configuration's routing switch
        bool testing = false;
        std::optional<TestFeedback> feedback;
        ProxyStatusValue pushedStatus = ProxyStatusValue::off; // the sync store's
        std::optional<QString> pushedDetail;
        std::optional<qint64> nodeCount;
    };

    ProxyStatusValue liveStatus = ProxyStatusValue::off;
    std::optional<qint64> serverCount;
    QString statusText; // the menu's first line, the tooltip and the accessible value
    std::optional<QString> labelText; // none: the label is the icon alone
    QString icon;
    ThemeColor tint;

    static VPNStatus of(const Inputs& inputs);

    // The number a text starts with: its longest prefix of numeric characters,
    // read as a decimal number; none when that prefix is empty, holds numerals
    // other than 0 to 9, or does not fit 64 bits.
    static std::optional<qint64> leadingNumber(const QString& text);
    // "1 node", "0 nodes", "12 nodes".
    static QString nodeText(qint64 count);

    bool operator==(const VPNStatus&) const = default;
};

} // namespace mivo

#pragma once

#include "Transport/WireVocabulary.h"

#include <QString>
#include <optional>

namespace mivo {

// The progress of installing one external tool the helper needs.
struct ToolProgress {
    // The tool as the helper names it in its progress events and results.
    QString id;
    // The name shown to the user.
    QString name;
    // 0 to 100 as last reported; absent until reported.
    std::optional<double> percent;
    ToolPhase phase = ToolPhase::download;
    // The last detail text.
    std::optional<QString> detail;

    bool operator==(const ToolProgress&) const = default;
};

} // namespace mivo

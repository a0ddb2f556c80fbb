#pragma once

#include <QWidget>

namespace mivo {

// The first screen of a first run: the emblem, what mivo does in one headline
// and one sentence, and its three steps. The frame's footer carries "Get Started".
class WelcomeScreen : public QWidget {
    Q_OBJECT

public:
    explicit WelcomeScreen(QWidget* parent = nullptr);
};

} // namespace mivo

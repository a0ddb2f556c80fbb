#pragma once

#include "Styling/ThemeColor.h"

#include <QIcon>
#include <QString>
#include <QStringList>

class QPainter;
class QRectF;

namespace mivo {

// The application's symbol set: small monochrome drawings named by dotted
// symbol names ("checkmark.circle.fill"), tinted at paint time. A name the set
// does not have is logged once and drawn as a dashed square with a question mark.
namespace Symbols {

bool contains(const QString& name);

// Every name the set draws, sorted.
QStringList names();

// Draw the symbol fitted into `rect` (aspect kept, centred) in `color`.
void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color);

// An icon of the symbol whose colour is resolved against the application
// palette whenever it is drawn; disabled icons are faded.
QIcon icon(const QString& name, const ThemeColor& color = ThemeColor::primary());

// The resource path drawn for `name` (the fallback glyph for an unknown name).
QString resourcePath(const QString& name);

} // namespace Symbols

} // namespace mivo

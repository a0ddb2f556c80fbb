#include "Styling/Inflection.h"

namespace mivo::Inflection {

QString count(qint64 n, QStringView singular, QStringView plural)
{
    QString text = QString::number(n);
    text += u' ';
    text += n == 1 ? singular : plural;
    return text;
}

} // namespace mivo::Inflection

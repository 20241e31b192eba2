#pragma once

#include <QString>
#include <QValidator>

#include <string>
#include <string_view>

namespace hf {

QString toQString(std::string_view utf8);
std::string toUtf8(const QString& text);
// Windows-1252 bytes of a field, shown in the interface.
QString fromCp1252(std::string_view bytes);
// Windows-1252 bytes of interface text; characters without a byte become '?'.
std::string toCp1252(const QString& text);

// Accepts text that Windows-1252 can hold, at most maxChars characters, so
// that what is typed fits the album's fixed fields.
class Cp1252Validator final : public QValidator {
public:
    Cp1252Validator(int maxChars, QObject* parent);
    State validate(QString& input, int& pos) const override;

private:
    int maxChars_;
};

}  // namespace hf

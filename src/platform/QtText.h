#pragma once

#include <QString>
#include <QValidator>

#include <string>
#include <string_view>

class QLineEdit;

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
    // Whether the text last refused held a character the handheld cannot show.
    bool refusedCharacter() const { return refusedCharacter_; }

private:
    int maxChars_;
    mutable bool refusedCharacter_ = false;
};

// Lets edit take only text that Windows-1252 can hold and, when maxChars is
// above 0, at most that many characters; a refused key or paste tells the
// user why at once, in a tooltip at the field.
void limitFieldEdit(QLineEdit* edit, int maxChars);

}  // namespace hf

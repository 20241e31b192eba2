#pragma once

#include <QWidget>

class QTextBrowser;

namespace hf {

// The program's manual, shown from the bundled HTML pages.
class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    void showManual();
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

}  // namespace hf

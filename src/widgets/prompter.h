#pragma once

#include <QString>

class QWidget;

namespace tarvolin {

// The title of both message boxes the user can see.
inline QString applicationTitle() {
    return QStringLiteral("Tarvolin");
}

// The program's message boxes, replaceable in tests.
class Prompter {
public:
    virtual ~Prompter() = default;

    // A question with the buttons Yes and No, Yes the default, no icon. True for Yes; closing
    // the box any other way counts as No.
    virtual bool askYesNo(QWidget *parent, const QString &title, const QString &prompt) = 0;

    // A notice with an OK button only and no icon; returns when it has been closed.
    virtual void inform(QWidget *parent, const QString &title, const QString &text) = 0;
};

// The real message boxes: application-modal QMessageBox windows.
class MessageBoxPrompter final : public Prompter {
public:
    bool askYesNo(QWidget *parent, const QString &title, const QString &prompt) override;
    void inform(QWidget *parent, const QString &title, const QString &text) override;
};

} // namespace tarvolin

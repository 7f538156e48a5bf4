#include "platform/dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace platform {

std::string ScriptedDialogs::input_box(const std::string& prompt, const std::string& title, const std::string& def) {
    asked.push_back({prompt, title, def});
    if (answers.empty()) return "";
    std::string a = answers.front();
    answers.pop_front();
    return a == kTakeDefault ? def : a;
}

void ScriptedDialogs::message_box(const std::string& text, const std::string&) { messages.push_back(text); }

void ScriptedDialogs::error_box(const std::string& text, const std::string& title, const std::string& detail) {
    ScriptedDialogs::message_box(text, title);
    details.push_back(detail);
}

std::string ScriptedDialogs::save_file_name(const std::string& title, const std::string& proposed) {
    return input_box("", title, proposed);
}

namespace {

// Texts are bytes in the Windows Latin-1 code page the string table and the files use.
QString to_q(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
std::string from_q(const QString& s) { return s.toLatin1().toStdString(); }

// Paths and reasons in a box are there to be copied into a terminal or a report.
void show_box(QMessageBox::Icon icon, const std::string& text, const std::string& title, const std::string& detail) {
    QMessageBox box(icon, to_q(title), to_q(text), QMessageBox::Ok, QApplication::activeWindow());
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (!detail.empty()) box.setInformativeText(to_q(detail));
    box.exec();
}

class QtDialogs : public Dialogs {
public:
    std::string input_box(const std::string& prompt, const std::string& title, const std::string& def) override {
        bool ok = false;
        QString answer = QInputDialog::getText(QApplication::activeWindow(), to_q(title), to_q(prompt),
                                               QLineEdit::Normal, to_q(def), &ok);
        return ok ? from_q(answer) : std::string();
    }
    void message_box(const std::string& text, const std::string& title) override {
        show_box(QMessageBox::Information, text, title, "");
    }
    void error_box(const std::string& text, const std::string& title, const std::string& detail) override {
        show_box(QMessageBox::Critical, text, title, detail);
    }
    std::string save_file_name(const std::string& title, const std::string& proposed) override {
        const QString chosen = QFileDialog::getSaveFileName(QApplication::activeWindow(), to_q(title),
                                                            QFile::decodeName(proposed.c_str()),
                                                            QStringLiteral("CSV (*.csv)"));
        return QFile::encodeName(chosen).toStdString();
    }
};

thread_local Dialogs* installed = nullptr;

}  // namespace

Dialogs& dialogs() {
    if (installed) return *installed;
    static thread_local QtDialogs real;
    return real;
}

void set_dialogs(Dialogs* d) { installed = d; }

}  // namespace platform

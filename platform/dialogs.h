#pragma once
// Modal prompts: the input box (prompt, title, proposed answer; Cancel answers "") and the message
// box with an OK button. Tests install ScriptedDialogs to answer for the operator.
#include <deque>
#include <string>
#include <vector>

namespace platform {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual std::string input_box(const std::string& prompt, const std::string& title, const std::string& def) = 0;
    virtual void message_box(const std::string& text, const std::string& title) = 0;
    // A failure: `text` as the message, `detail` (the system's reason) under it, both to be copied.
    virtual void error_box(const std::string& text, const std::string& title, const std::string& detail) = 0;
    // A file to write, chosen from `proposed` (a local path); "" when the operator cancels.
    virtual std::string save_file_name(const std::string& title, const std::string& proposed) = 0;
};

class ScriptedDialogs : public Dialogs {
public:
    struct Asked {
        std::string prompt, title, def;
    };
    std::string input_box(const std::string& prompt, const std::string& title, const std::string& def) override;
    void message_box(const std::string& text, const std::string& title) override;
    // Kept in `messages` like a message box, its detail in `details`.
    void error_box(const std::string& text, const std::string& title, const std::string& detail) override;
    // Answered from `answers` like an input box, the proposed path as its default.
    std::string save_file_name(const std::string& title, const std::string& proposed) override;

    // Answers given in order; "\x01" "default" takes the proposed answer; when none is left, Cancel.
    std::deque<std::string> answers;
    static constexpr const char* kTakeDefault = "\x01" "default";
    std::vector<Asked> asked;
    std::vector<std::string> messages;
    std::vector<std::string> details;
};

Dialogs& dialogs();
void set_dialogs(Dialogs* d);  // nullptr restores the real (Qt) dialogs

}  // namespace platform

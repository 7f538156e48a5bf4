#pragma once
// Finds the host's commands in the byte stream from the serial line. Commands may arrive split over
// several writes or several in one write, and a line can carry noise, so the scanner looks for the
// "CMD:" and "SNT:" prefixes and skips whatever lies before them. A string for a device ("SNT:")
// may itself contain ";", so its end is found from its length field, not from the first ";".
#include <cstddef>
#include <string>
#include <vector>

namespace zbsim {

struct ScannedCommand {
    enum Kind { Cmd, Snt } kind = Cmd;
    std::string text;   // the whole command as received, "CMD:...;" or "SNT:...;"
    std::string body;   // Cmd: what lies between "CMD:" and ";". Snt: the short address field
    std::string data;   // Snt only: the data bytes
};

class CommandScanner {
public:
    // A command that grows beyond this without ending is noise; a device string holds at most 255
    // bytes, so no genuine command comes near it.
    static constexpr size_t kMaxCommand = 600;

    // Appends bytes and returns the commands completed by them. Skipped noise is added to `junk`.
    std::vector<ScannedCommand> feed(const std::string& bytes, std::string& junk);

    // Forgets an unfinished command (the line went quiet in the middle of one); returns its bytes.
    std::string discard_partial();
    bool has_partial() const { return !buf_.empty(); }

private:
    // Outcome of looking at the command at the start of the buffer.
    enum class Step { Done, NeedMore, Broken };
    Step take_cmd(std::vector<ScannedCommand>& out);
    Step take_snt(std::vector<ScannedCommand>& out);

    std::string buf_;
};

}  // namespace zbsim

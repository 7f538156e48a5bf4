#pragma once
// Watches the coordinator link: stdin lines go to the coordinator as they are, every link event
// comes out as one line on stdout.
#include <QSocketNotifier>
#include <deque>
#include <memory>
#include <string>

#include "link/zigbee_net.h"

class LineMonitor : public ZigBeeNetEvents {
public:
    // Opens the link on `port`; the exit status, once the run is over.
    int run(int16_t port);

    void StringReceived(const std::string& recString) override;
    void StringSent(const std::string& sndString) override;
    void ErrorDetected(int16_t errCode) override;
    void DataReceived(const std::string& recDataAddr, const std::string& recData) override;

private:
    void read_stdin();
    // Hands waiting lines to the link as far as its queue has room.
    void feed();
    // After the end of input and the last command out, listens one more second and ends.
    void finish_when_drained();

    ZigBeeNet net_;
    std::unique_ptr<QSocketNotifier> stdin_;
    std::string partial_;
    std::deque<std::string> backlog_;
    bool input_ended_ = false;
    bool finishing_ = false;
    bool failed_ = false;
};

#include "link/zigbee_net.h"

#include "link/link_state.h"
#include "link/reply_framer.h"
#include "platform/clock.h"

namespace {

constexpr uint16_t kTickMs = 50;
// At 38400 bit/s even the longest data frame arrives in under 70 ms: a reply that has been silent
// this long will never complete.
constexpr uint16_t kReplyTimeOutMs = 100;
constexpr int32_t kSettleMs = 100;
constexpr int16_t kErrInit = 10;
constexpr int16_t kErrComm = 20;
const char* const kLineSettings = "38400,n,8,1";
constexpr int kHardwareHandshake = 2;
// While no more replies than this wait, a tick hands over one: a burst waits its turn in the queue.
// A longer queue is a backlog that one reply per tick would never catch up with.
constexpr int16_t kShortQueue = 10;
// However long the backlog, one tick hands over no more than this, so the thread stays responsive.
constexpr int kMostPerTick = 64;

// Replies the coordinator sends unasked: no wait of the host is waiting for one, and handing over
// several in a row sets nothing that the first one had set and a wait or a timer had yet to see.
bool unasked_report(const std::string& reply) {
    const auto first = static_cast<uint8_t>(reply.empty() ? 0 : reply[0]);
    return first == brivola::kDataFrameStart || first == brivola::kIoReportStart;
}

}  // namespace

ZigBeeNet::ZigBeeNet() : comZB(platform::make_serial_port()) {
    tmrRS232.set_interval(kTickMs);
    tmrRS232.set_on_tick([this] { tmrRS232_Timer(); });
    tmrTimeOut.set_interval(kReplyTimeOutMs);
    tmrTimeOut.set_on_tick([this] { tmrTimeOut_Timer(); });
    if (comZB) comZB->on_receive = [this] { comZB_OnComm(); };
}

ZigBeeNet::~ZigBeeNet() {
    *alive_ = false;
    if (comZB) comZB->on_receive = nullptr;
}

void ZigBeeNet::StartOPERATIONS() { InitSerialPort(); }

void ZigBeeNet::StopOPERATIONS() { tmrRS232.set_enabled(false); }

void ZigBeeNet::ClosePort() {
    tmrRS232.set_enabled(false);
    if (comZB) comZB->set_port_open(false);
}

int16_t ZigBeeNet::CommPort() const { return brivola::link_state().CommPort; }

void ZigBeeNet::CommPort(int16_t COMPort) {
    if (COMPort > 0 && COMPort < 100) brivola::link_state().CommPort = COMPort;
    if (PropertyChanged) {
        auto alive = alive_;
        try {
            PropertyChanged("CommPort");
        } catch (...) {
            // The container's bookkeeping is its own; the port is opened all the same.
        }
        if (!*alive) return;
    }
    InitSerialPort();
}

std::string ZigBeeNet::OCXVersion() const { return "1.0.25"; }

void ZigBeeNet::ResetThreadState() {
    auto& st = brivola::link_state();
    st.CommPort = 0;
    st.TxQueue.clear();
    st.RxQueue.clear();
    st.rx = brivola::RxFraming{};
}

void ZigBeeNet::InitSerialPort() {
    auto& st = brivola::link_state();
    st.TxQueue.clear();
    st.RxQueue.clear();
    const uint32_t run = ++init_runs_;
    try {
        platform::SerialPort* port = comZB.get();
        if (!port) return RaiseError(kErrInit);
        if (port->port_open() && !port->set_port_open(false)) return RaiseError(kErrInit);
        port->set_comm_port(st.CommPort);
        // RTS and handshaking are best effort: a pseudo-terminal or a three-wire adapter refuses
        // modem lines and still carries the data.
        port->set_rts_enable(true);
        port->set_handshaking(kHardwareHandshake);
        port->set_rthreshold(0);
        port->set_input_len(0);
        if (!port->set_settings(kLineSettings) || !port->set_port_open(true)) return RaiseError(kErrInit);
        std::string stale;
        if (!port->input(stale)) return RaiseError(kErrInit);
        // Another InitSerialPort run inside the pause owns the port now, whatever its outcome.
        if (!Delay(kSettleMs) || run != init_runs_) return;
        // From here each receive notification reads what is waiting, as far as the receive queue
        // has room (see comZB_OnComm).
        rx_held_back_ = false;
        port->set_rthreshold(1);
        tmrRS232.set_interval(kTickMs);
        tmrRS232.set_enabled(true);
    } catch (...) {
        RaiseError(kErrInit);
    }
}

bool ZigBeeNet::QueueCommand(const std::string& cmd) {
    auto& tx = brivola::link_state().TxQueue;
    if (cmd.empty() || tx.full()) return false;
    tx.push(cmd);
    tmrRS232.wake();
    return true;
}

bool ZigBeeNet::Delay(int32_t ms) {
    auto alive = alive_;
    try {
        platform::wait_ms(ms);
    } catch (...) {
        // A host handler failed inside the pause; the pause ends there.
    }
    return *alive;
}

void ZigBeeNet::tmrRS232_Timer() {
    auto alive = alive_;
    try {
        if (SendStep()) DispatchStep();
    } catch (...) {
        if (*alive) RaiseError(kErrComm);
    }
    // Nothing left to send or hand over: the tick rests until a command or a reply wakes it.
    const auto& st = brivola::link_state();
    if (*alive && st.TxQueue.empty() && st.RxQueue.empty()) tmrRS232.rest();
}

bool ZigBeeNet::SendStep() {
    auto& tx = brivola::link_state().TxQueue;
    if (!comZB || !comZB->port_open() || tx.empty()) return true;
    // A failed write leaves the command first in line: it is tried again on the next tick.
    if (!comZB->output(tx.front())) {
        RaiseError(kErrComm);
        return false;
    }
    // Taken off the queue before the host hears of it, so that a handler which re-opens the port
    // (emptying the queue) or queues more finds the queue consistent.
    const std::string sent = tx.pop();
    if (!events_) return true;
    auto alive = alive_;
    events_->StringSent(sent);
    return *alive;
}

void ZigBeeNet::DispatchStep() {
    auto& rx = brivola::link_state().RxQueue;
    auto alive = alive_;
    // A backlog is drained in order, down to a short queue; of the replies raised in one tick at most
    // one is other than an unasked report, so that each answer's flags meet their waits and timers
    // before the next answer comes, as when one reply is raised per tick.
    bool answer_raised = false;
    for (int raised = 0; raised < kMostPerTick && !rx.empty(); ++raised) {
        if (raised > 0 && (rx.pending() <= kShortQueue || !tmrRS232.enabled())) return;
        const bool answer = !unasked_report(rx.front());
        if (answer && answer_raised) return;
        answer_raised = answer_raised || answer;
        const std::string reply = rx.pop();
        ResumeReception();
        if (!events_) continue;
        if (static_cast<uint8_t>(reply[0]) == brivola::kDataFrameStart) {
            const auto n = static_cast<uint8_t>(reply[3]);
            events_->DataReceived(brivola::BytesToHex(reply.substr(1, 2)), reply.substr(4, n));
        } else {
            events_->StringReceived(reply);
        }
        if (!*alive) return;
    }
}

void ZigBeeNet::comZB_OnComm() {
    auto& st = brivola::link_state();
    try {
        const size_t room = ReceiveRoom();
        if (room == 0) {
            // Nothing is read until a dispatch frees a slot: the characters wait in the port, and
            // once its bounded buffer is full the line's flow control holds the coordinator back.
            // The line is not silent meanwhile, so the reply being assembled is not timed out.
            rx_held_back_ = true;
            comZB->set_rthreshold(0);
            tmrTimeOut.set_enabled(false);
            return;
        }
        comZB->set_input_len(static_cast<int>(room));
        if (!comZB->input(rx_chunk_)) return RaiseError(kErrComm);
        if (rx_chunk_.empty()) return;
        brivola::frame_chars(st.rx, rx_chunk_, [&st](std::string&& reply) { st.RxQueue.push(std::move(reply)); });
        tmrRS232.wake();
        // One countdown per batch, from its last character.
        if (brivola::chars_held(st.rx) == 0) {
            tmrTimeOut.set_enabled(false);
        } else {
            tmrTimeOut.set_enabled(true);
            tmrTimeOut.set_interval(kReplyTimeOutMs);
        }
    } catch (...) {
        RaiseError(kErrComm);
    }
}

size_t ZigBeeNet::ReceiveRoom() const {
    const auto& st = brivola::link_state();
    // Every reply takes at least two characters, counting those already held unframed, so
    // reading no more than this can never complete more replies than the queue has free slots.
    const auto free_slots = static_cast<size_t>(brivola::Ring::kSlots - 1 - st.RxQueue.pending());
    const size_t most = free_slots * brivola::kShortestReply;
    const size_t assembled = brivola::chars_held(st.rx);
    return most > assembled ? most - assembled : 0;
}

void ZigBeeNet::ResumeReception() {
    if (!rx_held_back_ || !comZB) return;
    rx_held_back_ = false;
    comZB->set_rthreshold(1);
}

void ZigBeeNet::tmrTimeOut_Timer() {
    auto& st = brivola::link_state();
    brivola::abandon_reply(st.rx, [&st](std::string&& reply) { st.RxQueue.push(std::move(reply)); });
    tmrTimeOut.set_enabled(false);
    tmrRS232.wake();
}

void ZigBeeNet::RaiseError(int16_t errCode) {
    if (!events_) return;
    try {
        events_->ErrorDetected(errCode);
    } catch (...) {
        // Nothing is left to report a failing error handler to.
    }
}

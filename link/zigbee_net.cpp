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
        port->set_input_len(1);
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
    if (rx.empty()) return;
    const std::string reply = rx.pop();
    if (!events_) return;
    if (static_cast<uint8_t>(reply[0]) == brivola::kDataFrameStart) {
        const auto n = static_cast<uint8_t>(reply[3]);
        events_->DataReceived(brivola::BytesToHex(reply.substr(1, 2)), reply.substr(4, n));
    } else {
        events_->StringReceived(reply);
    }
}

void ZigBeeNet::comZB_OnComm() {
    auto& st = brivola::link_state();
    try {
        std::string got;
        if (!comZB->input(got)) return RaiseError(kErrComm);
        std::string reply;
        for (char c : got) {
            if (!brivola::frame_char(st.rx, c, reply)) continue;
            // A full queue loses its oldest reply: a host that waits for an answer needs the newest.
            if (st.RxQueue.full()) st.RxQueue.pop();
            st.RxQueue.push(std::move(reply));
        }
        if (got.empty()) return;
        if (st.rx.RxBuffer.empty()) {
            tmrTimeOut.set_enabled(false);
        } else {
            tmrTimeOut.set_enabled(true);
            tmrTimeOut.set_interval(kReplyTimeOutMs);  // a fresh countdown from this character
        }
    } catch (...) {
        RaiseError(kErrComm);
    }
}

void ZigBeeNet::tmrTimeOut_Timer() {
    brivola::abandon_reply(brivola::link_state().rx);
    tmrTimeOut.set_enabled(false);
}

void ZigBeeNet::RaiseError(int16_t errCode) {
    if (!events_) return;
    try {
        events_->ErrorDetected(errCode);
    } catch (...) {
        // Nothing is left to report a failing error handler to.
    }
}

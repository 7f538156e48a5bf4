#pragma once
// The serial ports this machine has, with the port number each is reachable as, and the giving of a
// number to one of them. A USB adapter is named by its /dev/serial/by-id link where it has one, so a
// re-plugged adapter (which may come back as another /dev/ttyUSBn) keeps its number.
#include <string>
#include <vector>

namespace platform {

// What the system reports of one port.
struct PortInfo {
    std::string device;  // /dev/ttyUSB0
    std::string description, manufacturer, serial_number;
};

struct DetectedPort {
    std::string path;  // the by-id link when there is one, else the device
    PortInfo info;
    int number = 0;  // the lowest port number that opens this device; 0 when none does
};

constexpr int kFirstPortNumber = 1;
constexpr int kLastPortNumber = 99;

// The ports the serial library finds on this machine.
std::vector<PortInfo> system_ports();
// Each port of `found`, named and numbered through the port map; by_id_folder is where the stable
// names live.
std::vector<DetectedPort> detect_ports(const std::vector<PortInfo>& found,
                                       const std::string& by_id_folder = "/dev/serial/by-id");
// The number the operator is offered for a port: its own, else the lowest one that no port map entry
// holds and whose default device is none of the ports found.
int proposed_port_number(const DetectedPort& port, const std::vector<DetectedPort>& all);
// The stable name of a device path: its by-id link when one leads to it, else the path itself.
std::string stable_port_path(const std::string& path, const std::string& by_id_folder = "/dev/serial/by-id");
// Port `number` (1..99) opens `path` from now on, by its stable name; false for a number out of range.
// The result is the name stored.
bool give_port_number(int number, const std::string& path, std::string& stored,
                      const std::string& by_id_folder = "/dev/serial/by-id");
// One line for the operator: "port N" (or "no number"), path, then what is known of the adapter.
std::string describe_port(const DetectedPort& port);

}  // namespace platform

#pragma once
// The serial ports this machine has, with the port number each is reachable as, and the giving of a
// number to one of them. A USB adapter is named by its /dev/serial/by-id link where it has one, so a
// re-plugged adapter (which may come back as another /dev/ttyUSBn) keeps its number.
#include <string>
#include <vector>

#include "platform/port_map.h"

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

// A port map entry that no port of the system's list shows under its number: a pseudo-terminal, a
// network serial device, an adapter that is not plugged in, or a second number for one device.
struct UnlistedMapping {
    int number = 0;
    std::string path;
    std::string state;  // "present", or why the path is no serial port now
};

// The ports the serial library finds on this machine.
std::vector<PortInfo> system_ports();
// Each port of `found`, named and numbered through the port map; by_id_folder is where the stable
// names live.
std::vector<DetectedPort> detect_ports(const std::vector<PortInfo>& found,
                                       const std::string& by_id_folder = "/dev/serial/by-id");
// Every port map entry that `listed` does not show by its number.
std::vector<UnlistedMapping> unlisted_mappings(const std::vector<DetectedPort>& listed);
// The number the operator is offered for a port: its own, else the lowest one that no port map entry
// holds and whose default device is none of the ports found.
int proposed_port_number(const DetectedPort& port, const std::vector<DetectedPort>& all);
// The stable name of a device path: its by-id link when one leads to it, else the path itself.
std::string stable_port_path(const std::string& path, const std::string& by_id_folder = "/dev/serial/by-id");
// "" when `path` is a character device, which every serial port is; else why it cannot be one.
std::string serial_device_refusal(const std::string& path);
// Port `number` (1..99) opens `path` from now on, by its stable name or else its absolute path; the
// name stored is put in `stored`. The result is "" when done, else why nothing was stored.
std::string give_port_number(int number, const std::string& path, std::string& stored,
                             const std::string& by_id_folder = "/dev/serial/by-id");
// One line for the operator: "port N" (or "no number"), path, then what is known of the adapter.
std::string describe_port(const DetectedPort& port);
// One line for an unlisted entry: "port N", path, and whether it is there now.
std::string describe_mapping(const UnlistedMapping& mapping);

}  // namespace platform

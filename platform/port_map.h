#pragma once
// Serial port numbers as the operator knows them (1..99) and the devices they stand for here.
// By default port N is /dev/ttyS(N-1), the first serial port being number 1; the settings store
// (application "Dalmiro", section "Ports", value "N") overrides any port with a device path, which is
// how a USB adapter (/dev/ttyUSB0) or the simulator's pseudo-terminal gets a number.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

constexpr int kFirstPortNumber = 1;
constexpr int kLastPortNumber = 99;

std::string port_device_path(int port);
void register_port(int port, const std::string& device_path);
void unregister_port(int port);
// The numbers the settings store overrides, lowest first, each with its device path.
std::vector<std::pair<int, std::string>> mapped_ports();

}  // namespace platform

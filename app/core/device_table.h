#pragma once
// Operations on the device table `Devices` of the module state: finding slots, learning identities,
// deleting and compacting.
#include <cstdint>
#include <string>

namespace modMain {

// The lowest slot (1..32000) whose address equals mac exactly; 0 if none or mac is empty.
int16_t FindDeviceByMac(const std::string& mac);
// The highest slot (1..32000) whose short address equals shortId exactly; 0 if none or it is empty.
int16_t FindDeviceByShort(const std::string& shortId);
// The type text of a device type number ("Router", ...); empty for a number without one.
std::string DeviceTypeText(int16_t type);
// Gives slot index its address and short address and derives the type text and defaults from its
// type, unless the address also belongs to a lower slot.
void UpdateDeviceIdentity(const std::string& mac, const std::string& shortId, int16_t index);
// Every slot forgets its short address and link state (the devices rejoin with new ones).
void ClearShortIds();
// Empties slot index and compacts the table; 0, or an index outside the table, does nothing.
void DeleteDevice(int16_t index);
// Moves the used slots together at the front, keeping their order; the recount is left to the caller.
void CompactDeviceTable();

}  // namespace modMain

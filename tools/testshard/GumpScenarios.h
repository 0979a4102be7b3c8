#pragma once
// What the "gumps" and "config" scenarios send after the login confirmation, and how they answer
// the client. Built from the wire layouts alone.
#include <cstdint>
#include <string>
#include <vector>

namespace testshard {

constexpr uint32_t kGumpSerial = 0x40000100;  // the generic gump's serial
constexpr uint32_t kGumpTypeId = 0x00BEEF01;  // its type id
constexpr uint32_t kPopupObject = 0x40000200; // the object whose context menu the server gives

// 0xB0 with every command kind: page 2 behind a page button, a text entry, cut text,
// checkertrans, an HTML item and a virtue item.
std::vector<uint8_t> GenericGumpAllKinds();
// A picture menu and a text menu (0x7C), a text query (0xAB), both prompts (0x9A, 0xC2), a target
// request (0x6C) and a sign (0x8B), after the generic gump.
std::vector<std::vector<uint8_t>> GumpScenarioPackets();
// The context menu (0xBF 0x14) with entries for the full menu only, for a request of its object.
std::vector<uint8_t> PopupMenuAnswer(uint32_t serial);
// What the scenario answers to a client packet (the context menu for 0xBF 0x13).
std::vector<std::vector<uint8_t>> AnswerGumpScenario(const std::vector<uint8_t>& packet);

// The "config" scenario: "qv.cfg" (slot 3) and "macros.txt" (slot 11) sent compressed (0xD0).
extern const char* const kConfigText;
extern const char* const kMacrosText;
std::vector<std::vector<uint8_t>> ConfigScenarioPackets();
// The text of a client's 0xD0 upload: its slot and inflated content; false when it is not one.
bool ReadConfigUpload(const std::vector<uint8_t>& packet, int* slot, std::string* content);

// A line describing a reply the client sent, for the scenarios' logs.
std::string DescribeReply(const std::vector<uint8_t>& packet);

} // namespace testshard

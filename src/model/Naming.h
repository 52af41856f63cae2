#pragma once
// Display names and colours of the protocol family, encapsulation and application
// codes, well-known port names, and the texts of MAC, IP and IPX addresses, so
// that every window shows the same words. Number texts live in NumberFormat.h.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/AnalysisState.h"
#include "model/NumberFormat.h"

namespace quenlix {

constexpr int kEncapsulationCount = 5;

// Name of a protocol family code 0..17; codes outside the table read as "Other".
std::string FamilyName(ProtocolFamily family);

// Chart colour (0x00BBGGRR) of a family code. The code's low seven bits index the
// table; codes beyond it get the colour of "Other".
uint32_t FamilyColour(ProtocolFamily family);

// Name of an encapsulation code 0..4 ("Etype", "LLC", "NovRaw", "SNAP", "MAC");
// the empty text for other codes.
std::string EncapsulationName(Encapsulation encapsulation);

// The names of the encapsulations in a set (bits 0..4), in bit order, joined by ", ".
std::string EncapsulationSetText(EncapsulationSet encapsulations);

// Name of an application code; only its low seven bits count.
std::string AppName(ApplicationCode app);

// Name of a well-known TCP or UDP port, else "Port " and the number.
std::string PortName(uint16_t port);

// Six address bytes as 12 upper-case hexadecimal digits.
std::string MACToHex(const uint8_t* address);
// Four bytes as 8 upper-case hexadecimal digits.
std::string NetToHex(const uint8_t* network);
// Four bytes in dotted decimal; padded right-aligns each number in three characters.
std::string IPToText(const uint8_t* address, bool padded = false);
// Sixteen bytes in the compressed lower-case text of RFC 5952: fd00:99:1::10,
// ::1, and ::ffff:192.0.2.1 for an IPv4-mapped address.
std::string IPv6ToText(const uint8_t* address);
// The bytes of an IPv6 address text in any of its forms (leading zeros, either
// case, "::" anywhere); none when the text is not one. The dotted IPv4 ending
// is not read.
std::optional<std::array<uint8_t, 16>> IPv6FromText(std::string_view text);

// An IPX address (4-byte network, 6-byte node) as "network.node". With withVendor
// the node's manufacturer prefix is replaced by its short vendor name when the
// vendor table knows it. Without keepZeros the network's leading zeros go.
std::string IPXToText(const AnalysisState& state, const uint8_t* address, bool keepZeros, bool withVendor);

// Hexadecimal text to bytes, two digits a byte, high digit first. An odd last
// digit is ignored; a character that is not a hexadecimal digit counts as 0.
std::vector<uint8_t> HexToBytes(std::string_view text);

// Value of one hexadecimal digit (either case), or -1.
int HexDigitValue(char c);

// Send-to-receive ratio text of two counts: (10, 4) -> "2.5:1", (4, 8) -> "1:2",
// (0, 7) -> "0:7".
std::string RatioText(int64_t a, int64_t b);

}  // namespace quenlix

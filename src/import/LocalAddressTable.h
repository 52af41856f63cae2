#pragma once
// The Observer analyser's local address table: station names that come with
// Observer traces. Detection looks for the table's name, the Observer reader loads
// it just before the frames are read; both live in ObserverReader.cpp.

#include <string>

#include "model/AnalysisState.h"

namespace quenlix {

// Where the Observer analyser notes its current table: a string value under this
// key of the local machine's settings.
inline constexpr const char* kObserverSettingsKey = "SOFTWARE/Network Instruments/Observer/General";
inline constexpr const char* kCurrentAddressTableValue = "CurrentAddressTable";
// The table's name when the analyser names none.
inline constexpr const char* kDefaultAddressTableName = "Local Address Table.adr";
// Our own setting that replaces the folder of the tables (AddressTableFolder of the
// state holds the analyser's own folder by default).
inline constexpr const char* kAddressTableSettingsKey = "Observer";
inline constexpr const char* kAddressTableFolderValue = "AddressTableFolder";

// Decides AddressTableName for an Observer trace from its 200-byte header text:
// the analyser's current table (state.Platform.MachineSettings), unless the header names
// its own table after "LocalAddressTable\".
void FindAddressTable(AnalysisState& state, const std::string& headerText);

// The path of the table: AddressTableFolder followed by AddressTableName.
std::string AddressTablePath(const AnalysisState& state);

// Adds the names of the table to the name tree; a missing table is no error. A
// table that ends in a partial record keeps the names of its whole records.
void LoadAddressTable(AnalysisState& state);

}  // namespace quenlix

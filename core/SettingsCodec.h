#pragma once

#include "IniData.h"
#include "JournalCodec.h"

// The settings values as the journal keeps them, inside a state or a step.
namespace SettingsCodec {

void put(JournalCodec::Writer &out, const SettingsValues &values);
// Rejects what put never writes.
bool get(JournalCodec::Reader &in, SettingsValues &values);

} // namespace SettingsCodec

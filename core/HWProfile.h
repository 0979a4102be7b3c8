#pragma once
// The machine description sent to the login server and kept under the installation key's
// "HWProfile" subkey.
#include <cstdint>

struct HWProfile {
    uint8_t processorType = 0;   // 1 = 386, 2 = 486, 3 = Pentium, 4 = other
    uint16_t processorClock = 0; // MHz, 0 when unknown or above 750
    uint8_t nProcessors = 0;
    char szVideoCardDescrip1[32] = {};
    char szVideoCardDescrip2[32] = {};
    char szModemManufacturer[32] = {};
    char szModemDescrip[32] = {};
    uint16_t totalRAMInMB = 0;
    uint16_t largestPartitionInMB = 0;
    int32_t timeZoneBias = 0; // minutes, UTC minus local standard time
};

extern const char* const kHWProfileKey;

bool GatherHWProfile(HWProfile& profile);
uint32_t GetCPUClockMHz();
// One reading of the settings store, and one writing: the values go in one batch.
bool LoadHWProfile(HWProfile& profile);
bool SaveHWProfile(const HWProfile& profile);

// The run's view of the profile, so that the shard-list handlers neither look at the machine nor
// touch the settings store. PrepareHWProfile gathers this machine's profile and loads the stored
// one, once a run; the main loop calls it on its first pass (and a handler that comes first calls
// it itself).
void PrepareHWProfile();
const HWProfile& MachineHWProfile();
// The stored profile as this run knows it; null when none could be read.
const HWProfile* StoredHWProfile();
// The machine's profile was sent: it counts as stored from now on, and is written to the settings
// store by the next SaveQueuedHWProfile (the main loop's next pass, or shutdown). A write that
// fails is logged; the run goes on with the profile it holds.
void QueueHWProfileSave();
bool IsHWProfileSaveQueued();
void SaveQueuedHWProfile();
void ResetHWProfileForTests();

// 1..4 from the x86 family (any later family counts as a Pentium); 4 for other processors.
uint8_t ProcessorTypeFor(bool x86, int family);
// The clock as reported: 0 above 750 MHz.
uint16_t ReportedClockMHz(uint32_t mhz);
// A byte count in MiB, computed in 64 bits and held at 65535 when it does not fit.
uint16_t SaturatedMiB(uint64_t bytes);
// The bias in whole hours, which the shard list reads as the client's time-zone offset.
int GetClientTimeZoneOffset();

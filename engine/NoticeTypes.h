#pragma once

#include <QtGlobal>

// The notices the engine services write into the console's mailslots. Every body is
// little-endian and packed: u8, u32, u64/i64 (8 bytes), f64, and strings as a u32 count of
// UTF-16 code units followed by the units. Every body begins with its u32 type; the layouts
// below give what follows the type. Trailing bytes after the last field are ignored; a body
// shorter than its fields is dropped whole. The reference engine writes exactly these.
namespace NoticeType {

// Engine. Every body continues with the drive's volume identifier (string).
constexpr quint32 EngineOpStarted = 0;              // id
constexpr quint32 EngineStatus = 1;                 // id, u32 engine status, f64 percent, f64 end
constexpr quint32 EngineFragmentation = 2;          // id, f64 percent
constexpr quint32 EngineWorkingMessage = 3;         // id, f64 percent, string message
constexpr quint32 EngineBitmap = 4;                 // id, u8 block type, u32 start, u32 length
constexpr quint32 EngineFTNotExceeded = 5;          // id
constexpr quint32 EngineInsufficientFreeSpace = 6;  // id
constexpr quint32 EngineStatisticsUpdated = 7;      // id
constexpr quint32 EngineOpCompleted = 8;            // id
constexpr quint32 EngineFreeSpaceFragmentation = 9; // id, f64 percent

// Tool services (duplicates scanner, cleaner).
constexpr quint32 ToolState = 2000;          // u32 state
constexpr quint32 ToolProgress = 2001;       // string message, f64 percent
constexpr quint32 ToolFailure = 2002;        // u32 HRESULT
constexpr quint32 ToolCounts = 2003;         // u32, u32, u32, u32, string
constexpr quint32 ToolItem = 2004;           // u32, u32, u32, string
constexpr quint32 ToolPercentMessage = 2005; // u32 percent, string message
constexpr quint32 ToolMessage = 2006;        // u32, string

// Space reports. Every body continues with the set identifier (string).
constexpr quint32 SpaceReportStarted = 2100;   // set id
constexpr quint32 SpaceReportCompleted = 2101; // set id
constexpr quint32 SpaceReportProgress = 2102;  // set id, f64 progress
constexpr quint32 SpaceReportFailed = 2103;    // set id, u32 HRESULT
constexpr quint32 SpaceReportStopped = 2104;   // set id

// Exchange engine.
// 3000: string storage group, string data store, string phase text (not shown), u32 status,
// u32 completion percent, u32 HRESULT of the phase (0 when it went well). The status is
// ExchangeStatus below; it chooses the signal.
constexpr quint32 ExchangeOperation = 3000;
constexpr quint32 ExchangeOutput = 3001; // string output
// 3002: string storage group, string data store, string CPU time, string elapsed time,
// string path of the data store; f64 size before, f64 size after, f64 percent gained (sizes in
// megabytes); string backup path.
constexpr quint32 ExchangeStatistics = 3002;

// Virtual-machine engine. A guest is named by the full path of its configuration file.
constexpr quint32 VmOpStarted = 4000;      // nothing
constexpr quint32 VmOpFinished = 4001;     // nothing
constexpr quint32 VmGuestStarted = 4002;   // guest
constexpr quint32 VmGuestStopped = 4003;   // guest
constexpr quint32 VmGuestFailed = 4004;    // guest, u32 HRESULT, string message
constexpr quint32 VmGuestCompleted = 4005; // guest, i64 size before, i64 size after (bytes)
// 4006: guest, f64 completion percent of the guest, string status message, f64 seconds left
// (not shown); signalled with the status Defragmenting.
constexpr quint32 VmGuestProgress = 4006;
constexpr quint32 VmDiskStarted = 4007;  // guest, string disk: "Started Processing disk (%1)"
constexpr quint32 VmDiskNote = 4008;     // guest, string: read and not shown
constexpr quint32 VmDiskFailed = 4009;   // guest, string disk, u32 HRESULT, string message:
                                         // "Failure for (%1), %2 (%3)", %3 the code in decimal
constexpr quint32 VmDiskFinished = 4010; // guest, string disk: "Finished Processing disk (%1)"
// 4011: guest, string disk, f64 completion percent of the guest, string status message;
// signalled with the status Defragmenting and the message.
constexpr quint32 VmDiskProgress = 4011;
constexpr quint32 VmHostStarted = 4012;   // nothing
constexpr quint32 VmHostStopped = 4013;   // nothing
constexpr quint32 VmHostFailed = 4014;    // u32 HRESULT, string message
constexpr quint32 VmHostCompleted = 4015; // nothing
constexpr quint32 VmHostProgress = 4016;  // f64 percent, string message

// Agent.
constexpr quint32 AgentScheduleStarted = 6000; // string schedule, string item
constexpr quint32 AgentScheduleStopped = 6001; // string schedule, string item
constexpr quint32 AgentResources = 8000;       // f64 cpu, f64 io

} // namespace NoticeType

// The status of the Exchange operation notice (3000).
namespace ExchangeStatus {
constexpr quint32 Started = 0;   // OpStarted(group, store, true)
constexpr quint32 Verifying = 1; // 1 to 5: StatusChanged(group, store, status, percent)
constexpr quint32 Dismounting = 2;
constexpr quint32 Compacting = 3;
constexpr quint32 Restoring = 4;
constexpr quint32 Mounting = 5;
constexpr quint32 Completed = 6; // 6 to 8: OpCompleted(group, store)
constexpr quint32 Stopped = 7;
constexpr quint32 Failed = 8; // any higher value is ignored
} // namespace ExchangeStatus

// The status the virtual-machine wrapper signals for a guest (StatusChanged); the guest view
// shows them as "Started", "Defragmenting", "Completed", "Done", "Stopped" and "Failed %1".
namespace VmGuestStatus {
constexpr uint Started = 0;
constexpr uint Defragmenting = 1;
constexpr uint Completed = 2;
constexpr uint Done = 3;
constexpr uint Stopped = 4;
constexpr uint Failed = 5;
} // namespace VmGuestStatus

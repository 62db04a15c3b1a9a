// SPDX-License-Identifier: MIT
// The numbers the settings procedures take, named at one place: their operations, the items of
// the settings records (the numbers the records are addressed by), and the stopwatch operations.
#pragma once

namespace qs {

// Konfig: load, set, get and save of the general (record 1), display (9) and export (11)
// settings.
enum KonfigOp : int {
    kLoadGeneral = 1,
    kSetGeneral = 2,
    kGetGeneral = 3,
    kSaveGeneral = 4,
    kLoadDisplay = 6,
    kSetDisplay = 7,
    kGetDisplay = 8,
    kSaveDisplay = 9,
    kLoadExport = 23,
    kSetExport = 24,
    kGetExport = 25,
    kSaveExport = 26,
};

// AutoPath's operations and WSVars' kinds: the same four steps, each on its own record (WSVars
// calls loading "initialise": it also builds the word character tables).
enum SettingsStep : int { kLoadSettings = 1, kSetSetting = 2, kGetSetting = 3, kSaveSettings = 4 };

// SpeedVal: work the pace values out from the display settings, or get one of them.
enum SpeedValOp : int { kComputePace = 2, kGetPace = 3 };

// StartStop: clear every stopwatch, start one, stop one (the seconds since its start).
enum StartStopOp : int { kClearStopwatches = 0, kStartStopwatch = 1, kStopStopwatch = 2 };

namespace item {

// General settings (record 1).
inline constexpr int kMainWindowOption = 2;
inline constexpr int kLocatorTenths = 3;  // type-ahead interval of list locators
inline constexpr int kDateFormat = 10;
inline constexpr int kSettingsVersion = 11;
inline constexpr int kSecondDateFormat = 12;
inline constexpr int kGeneralText = 14;
inline constexpr int kDefaultMailDatabase = 19;

// Directories (record 4).
inline constexpr int kTempDir = 17;
inline constexpr int kDataDir = 18;  // top directory of the database files

// Display settings (record 9): pace levels 26 to 30 and the pace values (SpeedVal) 26 to 31.
inline constexpr int kPaceDuplicates = 26;  // duplicate elimination
inline constexpr int kPacePurge = 27;       // purge and database merge
inline constexpr int kPaceIndexing = 28;    // messages tokenized per indexing pass
inline constexpr int kPaceStandardSearch = 29;
inline constexpr int kPaceImport = 30;   // import and merge store steps
inline constexpr int kPaceParsers = 31;  // a value only, following the level of item 30
inline constexpr int kShowCompletionTime = 32;
inline constexpr int kFirstFont = 33;
inline constexpr int kLastFont = 36;
inline constexpr int kNoTaskFrom = 46;  // the period in which no scheduled task starts
inline constexpr int kNoTaskUntil = 47;
inline constexpr int kTasksOff = 48;
inline constexpr int kExitAfterTask = 57;
inline constexpr int kExportWrapColumn = 58;
inline constexpr int kExportLineMode = 60;

// Word index settings (record 10), the selectors of WSVars.
inline constexpr int kWordIndexDir = 44;
inline constexpr int kIndexNumbers = 49;
inline constexpr int kPauseCount = 50;  // index entries read before a search asks to go on
inline constexpr int kForumFooters = 51;
inline constexpr int kNewsFooters = 52;
inline constexpr int kForumStopWords = 53;
inline constexpr int kNewsStopWords = 54;
inline constexpr int kMailStopWords = 55;
inline constexpr int kWordSettingsCreated = 56;

}  // namespace item

}  // namespace qs

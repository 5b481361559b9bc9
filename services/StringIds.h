// Ids of the language strings. Plain macros, so that the resource scripts
// can use them too: windres sees only the preprocessor.
#pragma once

#define kStrTitle 100
#define kStrQueueStatus 101       // format: pending, record count, waiting
#define kStrLineStatus 102        // format: free lines
#define kStrSettingsTitle 103
#define kStrRefreshRateLabel 104
#define kStrFirstLineLabel 105
#define kStrLastLineLabel 106
#define kStrMinimize 107
#define kStrQuitQuestion 108

// The messages of the dispatcher that are no engine failure, and the line
// list's mark of a line that is no record. %1, %2, %3 are filled in as text,
// so a module's wording can never misread an argument. The English texts
// are given here once, for the program's table and for native builds.
#define kStrTableLocked 110
#define kStrJournalUnreadable 111
#define kStrJournalUnwritable 112
#define kStrJobTooWide 113
#define kStrNoSuchLine 114
#define kStrJobTooLong 115
#define kStrNoLineRecord 116
#define kStrSettingRefused 117  // %1 the field, %2 and %3 its bounds
#define kStrSettingOutside 118  // %1 the field, %2 the file's value, %3 and %4 the bounds
#define kStrSettingsUnsaved 119  // %1 the settings file

#define kTextTableLocked "Another program holds the lock of %1. Nothing was moved; the manager tries again at the next change."
#define kTextJournalUnreadable "ZELQMNGR.JNL cannot be read (%1). Nothing is moved until it can be; zelqtool check tells more."
#define kTextJournalUnwritable "ZELQMNGR.JNL cannot be written. The job still waits; the manager tries again at the next change."
#define kTextJobTooWide "Entry %1 (%2) waits for ever: field %3 of ZELBATCH.DBF is too narrow for it. Widen that field, or take the job back with zelqtool cancel %1."
#define kTextNoSuchLine "Entry %1 (%2) waits for ever: it asks for line %3, which is no record of ZELBATCH.DBF. Add that line's record, or take the job back with zelqtool cancel %1."
#define kTextJobTooLong "Entry %1 (%2) waits for ever: the job is too long to note in ZELQMNGR.JNL. Take it back with zelqtool cancel %1."
#define kTextNoLineRecord "(no record)"
#define kTextSettingOutside "The settings file holds %2 for %1, outside its bounds of %3 to %4."
#define kTextSettingRefused "%1 takes a whole number from %2 to %3. Nothing was saved."
#define kTextSettingsUnsaved "The settings could not be saved: %1 cannot be written."

#define kStrOk 9101
#define kStrCancel 9102
#define kStrAbout 9103
#define kStrExit 9104
#define kStrEdit 9105
#define kStrOpen 9106
#define kStrAdd 9107
#define kStrDelete 9108
#define kStrSave 9109
#define kStrDefault 9110
#define kStrReset 9111
#define kStrSet 9112
#define kStrSettings 9113
#define kStrLoad 9114
#define kStrUndo 9115

#define kStrError 9201
#define kStrWarning 9202
#define kStrConfirmCaption 9203

#define kStrAboutTitle 9901
#define kStrProductNotice 9902
#define kStrAboutOk 9903

// The quit question's buttons, which the system would name in its own language.
#define kStrYes 9116
#define kStrNo 9117

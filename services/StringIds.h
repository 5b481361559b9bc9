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

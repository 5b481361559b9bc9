#include "services/Notice.h"

#include <cctype>

#include "services/Database.h"
#include "services/Platform.h"

namespace {

const char* EnglishText(int id) {
  switch (id) {
    case kStrTableLocked: return kTextTableLocked;
    case kStrJournalUnreadable: return kTextJournalUnreadable;
    case kStrJournalUnwritable: return kTextJournalUnwritable;
    case kStrJobTooWide: return kTextJobTooWide;
    case kStrNoSuchLine: return kTextNoSuchLine;
    case kStrJobTooLong: return kTextJobTooLong;
    case kStrNoLineRecord: return kTextNoLineRecord;
    case kStrSettingRefused: return kTextSettingRefused;
    case kStrSettingsUnsaved: return kTextSettingsUnsaved;
    case kStrSettingOutside: return kTextSettingOutside;
    case kStrWarning: return "Warning";
  }
  return "";
}

}  // namespace

std::string NoticeText(int id) {
  std::string text;
  return platform::LanguageText(id, &text) ? text : EnglishText(id);
}

std::string FillText(const std::string& format, const std::vector<std::string>& args) {
  std::string text;
  for (size_t i = 0; i < format.size(); ++i) {
    const char next = i + 1 < format.size() ? format[i + 1] : '\0';
    if (format[i] == '%' && next == '%') {
      text += '%';
      ++i;
    } else if (format[i] == '%' && next >= '1' && next <= '9') {
      const size_t arg = static_cast<size_t>(next - '1');
      if (arg < args.size()) text += args[arg];
      ++i;
    } else {
      text += format[i];
    }
  }
  return text;
}

void NoticeBox(int id, const std::vector<std::string>& args, bool wait) {
  if (DatabaseErrorHookIsSet()) return DatabaseErrorBox(FillText(EnglishText(id), args).c_str());
  platform::ShowNotice(NoticeText(kStrWarning).c_str(), FillText(NoticeText(id), args).c_str(), wait);
}

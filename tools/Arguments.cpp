#include "tools/Arguments.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "services/Profile.h"
#include "services/Settings.h"

bool Fail(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

bool Arguments::Read(int argc, const char* const* argv, const std::vector<std::string>& flags,
                     const std::vector<std::string>& valued, std::string* error) {
  auto listed = [](const std::vector<std::string>& list, const std::string& word) {
    return std::find(list.begin(), list.end(), word) != list.end();
  };
  for (int i = 2; i < argc; ++i) {
    std::string word = argv[i];
    if (word.rfind("--", 0) != 0) {
      plain_.push_back(word);
    } else if (listed(flags, word)) {
      options_[word] = "";
    } else if (listed(valued, word)) {
      if (i + 1 >= argc) return Misuse(error, "option " + word + " needs a value");
      options_[word] = argv[++i];
    } else {
      return Misuse(error, "unknown option " + word);
    }
  }
  return true;
}

std::string Arguments::Text(const std::string& option) const {
  auto it = options_.find(option);
  return it == options_.end() ? std::string() : it->second;
}

bool Arguments::Number(const std::string& option, int fallback, int* value, std::string* error, long long low,
                       long long high) const {
  *value = fallback;
  return !Has(option) || Parse(option, Text(option), low, high, value, error);
}

bool Arguments::Parse(const std::string& what, const std::string& text, long long low, long long high, int* value,
                      std::string* error) const {
  errno = 0;
  char* end = nullptr;
  long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || parsed < low || parsed > high)
    return Misuse(error, what + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                             ", not \"" + text + "\"");
  *value = static_cast<int>(parsed);
  return true;
}

bool Arguments::NoMoreThan(size_t allowed, std::string* error) const {
  return plain_.size() <= allowed || Misuse(error, "unexpected argument " + plain_[allowed]);
}

bool Arguments::Misuse(std::string* error, const std::string& reason) const {
  misused_ = true;
  return Fail(error, reason);
}

bool ReadSettings(const Arguments& args, Settings* settings, std::string* error) {
  settings->Read(theProfile);
  return args.Number("--first", settings->firstLine, &settings->firstLine, error) &&
         args.Number("--last", settings->lastLine, &settings->lastLine, error) &&
         args.Number("--rate", settings->refreshRate, &settings->refreshRate, error, 0, INT_MAX);
}

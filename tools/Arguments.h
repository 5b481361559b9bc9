// The words of a zelqtool command line after the command's name: options
// with their values and the plain arguments. A malformed command line is bad
// usage (status 2), told apart from a command that failed (status 1).
#pragma once

#include <climits>
#include <map>
#include <string>
#include <vector>

struct Settings;

// Every failure is a false result with its one-line reason in *error; the
// first one ends the command.
bool Fail(std::string* error, const std::string& reason);

class Arguments {
 public:
  // Options that take no value (flags) and those that take one (valued);
  // any other word beginning with "--" is bad usage.
  bool Read(int argc, const char* const* argv, const std::vector<std::string>& flags,
            const std::vector<std::string>& valued, std::string* error);
  bool Has(const std::string& option) const { return options_.count(option) != 0; }
  std::string Text(const std::string& option) const;
  // The option's whole number, within low..high; *value is fallback when the
  // option is absent.
  bool Number(const std::string& option, int fallback, int* value, std::string* error, long long low = INT_MIN,
              long long high = INT_MAX) const;
  // A whole number in low..high named `what` in the reason when it is none.
  bool Parse(const std::string& what, const std::string& text, long long low, long long high, int* value,
             std::string* error) const;
  const std::vector<std::string>& Plain() const { return plain_; }
  // At most `allowed` plain arguments.
  bool NoMoreThan(size_t allowed, std::string* error) const;
  bool Misuse(std::string* error, const std::string& reason) const;
  bool Misused() const { return misused_; }

 private:
  std::map<std::string, std::string> options_;
  std::vector<std::string> plain_;
  mutable bool misused_ = false;
};

// The manager's settings as its start-up reads them; --first, --last and
// --rate, where given, win.
bool ReadSettings(const Arguments& args, Settings* settings, std::string* error);

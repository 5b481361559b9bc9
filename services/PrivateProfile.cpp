#include "services/PrivateProfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace profile {
namespace {

std::string Trim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
  return text.substr(begin, end - begin);
}

bool SameName(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::vector<std::string> ReadLines(const char* file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// A "[name]" line gives the section's name.
bool SectionName(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  *name = Trim(t.substr(1, close - 1));
  return true;
}

bool KeyLine(const std::string& line, std::string* key, std::string* value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  std::string k = Trim(line.substr(0, eq));
  if (k.empty() || k[0] == ';') return false;
  *key = k;
  *value = Trim(line.substr(eq + 1));
  return true;
}

bool Lookup(const char* section, const char* key, const char* file, std::string* value) {
  if (!section || !key || !file) return false;
  bool inSection = false;
  for (const std::string& line : ReadLines(file)) {
    std::string name, k, v;
    if (SectionName(line, &name)) {
      inSection = SameName(name, section);
    } else if (inSection && KeyLine(line, &k, &v) && SameName(k, key)) {
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      *value = v;
      return true;
    }
  }
  return false;
}

}  // namespace

int GetString(const char* section, const char* key, const char* fallback, char* out, int size,
              const char* file) {
  if (!out || size <= 0) return 0;
  std::string value;
  if (!Lookup(section, key, file, &value)) {
    value = fallback ? fallback : "";
    while (!value.empty() && value.back() == ' ') value.pop_back();
  }
  size_t n = value.size() < static_cast<size_t>(size - 1) ? value.size() : static_cast<size_t>(size - 1);
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
  return static_cast<int>(n);
}

unsigned GetInt(const char* section, const char* key, int fallback, const char* file) {
  std::string value;
  if (!Lookup(section, key, file, &value) || value.empty()) return static_cast<unsigned>(fallback);
  long long n = std::strtoll(value.c_str(), nullptr, 10);
  return static_cast<unsigned>(n);
}

bool WriteString(const char* section, const char* key, const char* value, const char* file) {
  if (!section || !key || !file) return false;
  std::vector<std::string> lines = ReadLines(file);
  const std::string entry = std::string(key) + "=" + Trim(value ? value : "");
  bool inSection = false, done = false;
  size_t lastOfSection = 0;
  bool haveSection = false;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::string name, k, v;
    if (SectionName(lines[i], &name)) {
      if (inSection) break;
      inSection = SameName(name, section);
      if (inSection) {
        haveSection = true;
        lastOfSection = i;
      }
    } else if (inSection) {
      if (KeyLine(lines[i], &k, &v) && SameName(k, key)) {
        lines[i] = entry;
        done = true;
      } else if (!Trim(lines[i]).empty()) {
        lastOfSection = i;
      }
    }
  }
  if (!done) {
    if (haveSection) {
      lines.insert(lines.begin() + static_cast<long>(lastOfSection) + 1, entry);
    } else {
      lines.push_back("[" + std::string(section) + "]");
      lines.push_back(entry);
    }
  }
  std::ostringstream text;
  for (const std::string& line : lines) text << line << "\r\n";
  const std::string temporary = std::string(file) + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text.str();
    if (!out.flush()) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  return std::rename(temporary.c_str(), file) == 0;
}

}  // namespace profile

// The commands of zelqtool, in small groups: the edits of the tables
// (TableCommands.cpp), the views of them (ViewCommands.cpp), and the
// dispatcher with its log (DispatchCommands.cpp). Each works on the tables
// of the working folder and returns false with its one-line reason in
// *error; err takes warnings and the problems check finds.
#pragma once

#include <iosfwd>
#include <string>

class Arguments;

namespace command {

using Run = bool (*)(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error);

bool Create(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error);
bool Enqueue(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error);
bool Free(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error);
bool Cancel(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error);

bool Show(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error);
bool Check(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error);
bool Watch(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error);

bool Stats(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error);
bool Dispatch(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error);

}  // namespace command

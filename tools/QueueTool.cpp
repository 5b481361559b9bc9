#include "tools/QueueTool.h"

#include <ostream>
#include <vector>

#include "services/Database.h"
#include "tools/Arguments.h"
#include "tools/Commands.h"

namespace {

struct Command {
  const char* name;
  std::vector<std::string> flags;   // options without a value
  std::vector<std::string> valued;  // options with one
  command::Run run;
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"create", {"--force"}, {"--queue", "--lines"}, command::Create},
      {"enqueue",
       {},
       {"--line", "--text1", "--text2", "--text3", "--text4", "--num1", "--num2", "--num3", "--num4", "--wait"},
       command::Enqueue},
      {"free", {}, {}, command::Free},
      {"cancel", {}, {}, command::Cancel},
      {"show", {"--json"}, {"--first", "--last"}, command::Show},
      {"check", {"--json"}, {"--first", "--last"}, command::Check},
      {"watch", {}, {"--first", "--last", "--poll-ms", "--redraws"}, command::Watch},
      {"stats", {}, {}, command::Stats},
      {"dispatch", {"--once", "--log"}, {"--first", "--last", "--rate", "--pause-ms"}, command::Dispatch},
  };
  return commands;
}

void Usage(std::ostream& out) {
  out << "usage: zelqtool COMMAND [options]   (on ZELQUEUE.DBF and ZELBATCH.DBF here)\n"
         "  create [--queue N] [--lines L] [--force]\n"
         "  enqueue JOB [--line Q] [--text1 T] .. [--text4 T] [--num1 N] .. [--num4 N] [--wait S]\n"
         "  free LINE\n"
         "  cancel ENTRY\n"
         "  show [--first A] [--last B] [--json]\n"
         "  check [--first A] [--last B] [--json]\n"
         "  watch [--first A] [--last B] [--poll-ms MS] [--redraws N]\n"
         "  stats [LOGFILE]   (ZELQMNGR.LOG when none is named)\n"
         "  dispatch [--once] [--first A] [--last B] [--rate R] [--log] [--pause-ms MS]\n"
         "Absent --first, --last and --rate come from the settings file zelQmngr.ini.\n"
         "--pause-ms replaces the pause of R seconds, for fast trial runs.\n"
         "watch redraws when a table changes, until Ctrl+C or after N views.\n"
         "enqueue --wait waits up to S seconds for the manager to take the job, and says when it did.\n"
         "Status: 0 done, 1 the command failed, 2 bad usage.\n";
}

}  // namespace

int RunQueueTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  // Every command says in its own words what failed; the database error box
  // would be a window (under Windows) or a second line saying less.
  SetDatabaseErrorHook([](const char*) {});
  if (argc < 2) {
    Usage(err);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "help" || name == "--help") {
    Usage(out);
    return 0;
  }
  for (const Command& c : Commands()) {
    if (name != c.name) continue;
    Arguments args;
    std::string error;
    if (args.Read(argc, argv, c.flags, c.valued, &error) && c.run(args, out, err, &error)) return 0;
    if (!error.empty()) err << "zelqtool: " << error << "\n";
    return args.Misused() ? 2 : 1;
  }
  err << "zelqtool: unknown command " << name << "; zelqtool help lists them\n";
  return 2;
}

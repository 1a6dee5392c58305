// The script language against Lua 5.4: runs every program of bench/lang
// in-process (compile and run, as the runner does) and its Lua twin with
// lua5.4, checks that both print the same number, and prints the time
// ratio Quillon/Lua from the median of several runs. Times are CPU time
// (the thread's for Quillon, the child's for Lua), so that a busy machine
// disturbs the comparison less than wall time would.
//
//   Lang_bench [LANG_DIR] [--runs N] [NAME...]
//
// A program file holds sections started by "/// script NAME" and one
// "/// main"; the main section is run as a code action of the first
// instance of a real room (object 0), so that built-in instance variables
// (x, speed, ...) read and write a real instance. A line "/// instances N"
// adds N more instances of object 1 (its ids follow the first one's) for
// programs that run `with` over many instances or write through an object.
#include <sys/resource.h>
#include <sys/wait.h>

#include <ctime>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_World.h"
#include "code/Code_Main.h"
#include "code/Script_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "functions/Function_Init.h"
#include "base/Option_Main.h"
#include "world/Instance_Variables.h"
#include "world/Object_Main.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"
#include "world/Room_Variables.h"
#include "world/Room_World.h"

namespace fs = std::filesystem;

namespace {

struct RProgram {
  std::string name;
  std::vector<std::pair<std::string, std::string>> scripts;
  std::string main;
  int instances = 0;  // of object 1, beside the one of object 0 that runs main
};

bool ReadProgram(const fs::path &file, RProgram &program) {
  std::ifstream in(file);
  if (!in) return false;
  program.name = file.stem().string();
  std::string line;
  std::string *section = nullptr;
  while (std::getline(in, line)) {
    if (line.rfind("/// script ", 0) == 0) {
      program.scripts.emplace_back(line.substr(11), "");
      section = &program.scripts.back().second;
    } else if (line.rfind("/// instances ", 0) == 0) {
      program.instances = std::atoi(line.c_str() + 14);
      section = nullptr;
    } else if (line.rfind("/// main", 0) == 0) {
      section = &program.main;
    } else if (section != nullptr) {
      *section += line;
      *section += '\r';
    }
  }
  return !program.main.empty();
}

std::string Number(const RValue &v) {
  if (v.IsString()) return "\"" + v.str.str() + "\"";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.0f", v.val);
  return buf;
}

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double ChildrenCpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_CHILDREN, &ru);
  auto sec = [](const timeval &tv) { return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) * 1e-6; };
  return sec(ru.ru_utime) + sec(ru.ru_stime);
}

// A fresh current room 0 with one instance of object 0 at (0, 0) and
// `extra` instances of object 1; answers the first instance.
CInstance *FreshRoom(int extra) {
  SetWorld(nullptr);
  RunRoom_FreeAll();
  Room_SetCurrent(-1);
  g_Rooms.Clear();
  g_RoomOrder.clear();
  g_Objects.Clear();
  ObjectAdd();
  ObjectAdd();
  g_LastInstanceId = 100000;
  g_Rooms.items.push_back(std::make_unique<CRoom>());
  g_Rooms.names.push_back("room0");
  g_RoomOrder.push_back(0);
  CRoom *room = RunRoom_Make(0);
  Room_SetCurrent(0);
  Room_InstallWorld();
  CInstance *self = room->AddInstance(0, 0, 0);
  for (int i = 0; i < extra; ++i) room->AddInstance(1, (i * 37) % 640, (i * 91) % 480);
  return self;
}

// One run: fresh globals, room and scripts, compile everything, run main.
double RunQuillon(const RProgram &program, std::string &printed) {
  const double start = ThreadCpuSeconds();
  GlobalReset();
  g_Scripts.Clear();
  CInstance *self = FreshRoom(program.instances);
  for (const auto &[name, text] : program.scripts) {
    auto script = std::make_unique<CScript>();
    script->s_text = text;
    g_Scripts.items.push_back(std::move(script));
    g_Scripts.names.push_back(name);
  }
  for (int i = 0; i < g_Scripts.Count(); ++i) {
    if (!g_Scripts.Get(i)->Compile()) {
      printed = "compile error in " + g_Scripts.Name(i) + ": " + CodeErrorText();
      CodeErrorClear();
      return 0;
    }
  }
  CCode code(program.main, false);
  if (!code.Compile()) {
    printed = "compile error: " + CodeErrorText();
    CodeErrorClear();
    return 0;
  }
  RValue result;
  if (!ExecuteCode(self, self, code, result)) printed = "run failed: " + ErrorLast();
  else printed = Number(result);
  return ThreadCpuSeconds() - start;
}

double RunLua(const fs::path &file, std::string &printed) {
  const std::string command = "lua5.4 '" + file.string() + "'";
  const double start = ChildrenCpuSeconds();
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return 0;
  std::string out;
  char buf[256];
  while (size_t n = std::fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
  const int status = pclose(pipe);
  const double t = ChildrenCpuSeconds() - start;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  printed = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "lua failed: " + out;
  return t;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

fs::path FindLangDir(const char *argv0) {
  for (const fs::path &p : {fs::path("bench/lang"), fs::path("lang"),
                            fs::absolute(argv0).parent_path() / "../../bench/lang",
                            fs::absolute(argv0).parent_path() / "../bench/lang"})
    if (fs::is_directory(p)) return p;
  return {};
}

}  // namespace

int main(int argc, char **argv) {
  fs::path dir;
  int runs = 5;
  std::vector<std::string> only;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else if (fs::is_directory(a)) dir = a;
    else only.push_back(a);
  }
  if (dir.empty()) dir = FindLangDir(argv[0]);
  if (dir.empty()) {
    std::cerr << "bench/lang not found; pass its path\n";
    return 2;
  }

  // Every built-in variable, constant and function family, as the runner
  // has them.
  Function_InitAll();
  g_Settings.SetDefaults();
  g_Settings.opt_displayerrors = false;

  std::vector<fs::path> files;
  for (const auto &e : fs::directory_iterator(dir))
    if (e.path().extension() == ".qs") files.push_back(e.path());
  std::sort(files.begin(), files.end());

  std::printf("%-10s %12s %12s %8s  %s\n", "program", "quillon ms", "lua ms", "ratio", "result");
  bool allOk = true;
  for (const fs::path &file : files) {
    RProgram program;
    if (!ReadProgram(file, program)) continue;
    if (!only.empty() && std::find(only.begin(), only.end(), program.name) == only.end()) continue;
    fs::path twin = file;
    twin.replace_extension(".lua");
    std::vector<double> q, l;
    std::string qOut, lOut;
    for (int r = 0; r < runs; ++r) {
      q.push_back(RunQuillon(program, qOut));
      l.push_back(RunLua(twin, lOut));
    }
    const double qm = Median(q) * 1000, lm = Median(l) * 1000;
    const bool same = qOut == lOut;
    allOk = allOk && same;
    std::printf("%-10s %12.1f %12.1f %8.2f  %s\n", program.name.c_str(), qm, lm, lm > 0 ? qm / lm : 0.0,
                same ? qOut.c_str() : ("MISMATCH quillon " + qOut + " lua " + lOut).c_str());
  }
  SetWorld(nullptr);
  RunRoom_FreeAll();
  return allOk ? 0 : 1;
}

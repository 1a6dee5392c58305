#include "Pack_Check.h"

#include <algorithm>
#include <map>
#include <set>

#include "base/Support_Stream.h"
#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Extension_Main.h"
#include "code/Script_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "functions/Function_Init.h"
#include "runner/Runner_Wire.h"
#include "world/Object_Main.h"
#include "world/Path_Main.h"
#include "world/Room_Main.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"

void PackEnsureFunctionTable() {
  // The families of the upper layers must be added before the first
  // registration, so that the table is the one the runner builds.
  Runner_AddFamilies();
  Function_InitAll();
}

bool PackIsBuiltinFunction(const std::string &name) {
  PackEnsureFunctionTable();
  for (int32_t i = 0; i < FunctionCount(); ++i)
    if (const RFunction *f = FunctionEntry(i); f && f->f_name == name) return true;
  return false;
}

namespace {

size_t EditDistance(const std::string &a, const std::string &b) {
  // Levenshtein distance with the swap of two neighbours counted as one
  // edit, the commonest slip of the fingers.
  const size_t n = a.size(), m = b.size();
  std::vector<std::vector<size_t>> d(n + 1, std::vector<size_t>(m + 1));
  for (size_t i = 0; i <= n; ++i) d[i][0] = i;
  for (size_t j = 0; j <= m; ++j) d[0][j] = j;
  for (size_t i = 1; i <= n; ++i) {
    for (size_t j = 1; j <= m; ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[n][m];
}

}  // namespace

std::string PackClosestName(const std::string &name, const std::vector<std::string> &candidates) {
  // A name of one or two characters is close to too much to suggest anything.
  if (name.size() <= 2) return std::string();
  const size_t allowed = name.size() <= 4 ? 1 : name.size() <= 10 ? 2 : 3;
  std::string best;
  size_t bestDistance = allowed + 1;
  for (const std::string &c : candidates) {
    if (c == name || c.empty()) continue;
    const size_t lengthGap = c.size() > name.size() ? c.size() - name.size() : name.size() - c.size();
    if (lengthGap > allowed) continue;
    const size_t dist = EditDistance(name, c);
    if (dist < bestDistance || (dist == bestDistance && c < best)) {
      best = c;
      bestDistance = dist;
    }
  }
  return best;
}

RTextPlace PackTextPlace(const std::string &text, int position) {
  RTextPlace place;
  const size_t end = std::min(text.size(), static_cast<size_t>(position > 0 ? position - 1 : 0));
  for (size_t i = 0; i < end; ++i) {
    const char c = text[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++place.line;
      place.column = 1;
    } else if (c != '\r') {
      ++place.column;
    }
  }
  return place;
}

namespace {

// Fills the runner's resource list from the game's section, the way loading
// a game does, so that the compiler finds the project's names where it finds
// them when the game runs.
template <class Load>
void LoadSection(int index, const RGameModel &game, Load load) {
  CStream s;
  GameWriter_WriteSection(index, game, s);
  s.Seek(0);
  load(s);
}

enum SectionIndex { kExtensions = 0, kTriggers = 1, kSprites = 4, kBackgrounds = 5, kPaths = 6, kScripts = 7, kTimeLines = 9,
                    kObjects = 10, kRooms = 11 };

struct RScriptArgs {
  int32_t args = 0;
  bool argArray = false;
};

class CChecker {
public:
  CChecker(const RGameModel &game, RCheckReport &report) : m_game(game), m_report(report) {}

  void Run(const std::vector<RCodePiece> &code) {
    PackEnsureFunctionTable();
    ConstantResetToBuiltins();
    LoadSection(kTriggers, m_game, Trigger_Load);
    LoadSection(kSprites, m_game, Sprite_Load);
    LoadSection(kBackgrounds, m_game, Background_Load);
    LoadSection(kPaths, m_game, Path_Load);
    LoadSection(kScripts, m_game, Script_Load);
    LoadSection(kTimeLines, m_game, TimeLine_Load);
    LoadSection(kObjects, m_game, Object_Load);
    LoadSection(kRooms, m_game, Room_Load);
    // The packages' functions by name, without writing their files anywhere.
    LoadSection(kExtensions, m_game, [](CStream &s) {
      g_Extensions.clear();
      s.ReadInteger();
      for (int32_t n = s.ReadInteger(); n > 0; --n) {
        auto p = std::make_unique<CExtensionPackage>();
        if (!p->LoadFromStream(s)) break;
        g_Extensions.push_back(std::move(p));
      }
    });
    CollectNames();

    // The constants first and in order: each may use the ones before it,
    // and all later code sees them.
    for (const RCodePiece &piece : code)
      if (piece.kind == RCodePiece::kConstant) DefineConstant(piece);
    for (int i = 0; i < m_game.scripts.Count(); ++i) {
      const CScript *s = m_game.scripts.Get(i);
      if (!s) continue;
      CCode c(s->s_text, false);
      if (c.Compile()) m_scriptArgs[i] = {c.Args(), c.ArgsArray()};
    }
    CodeErrorClear();
    for (const RCodePiece &piece : code)
      if (piece.kind != RCodePiece::kConstant) CheckPiece(piece, piece.kind == RCodePiece::kExpression);
    WarnUnsetVariables();
    CodeErrorClear();
    ConstantResetToBuiltins();
    g_Extensions.clear();
  }

private:
  void CollectNames() {
    for (int32_t i = 0; i < FunctionCount(); ++i)
      if (const RFunction *f = FunctionEntry(i)) m_functionNames.push_back(f->f_name);
    for (const std::string &name : m_game.scripts.names) m_functionNames.push_back(name);
    for (const auto &pkg : g_Extensions)
      for (const auto &file : pkg->s_includes)
        for (const auto &fn : file->s_functions) m_functionNames.push_back(fn->s_name);
    auto add = [this](const std::vector<std::string> &names) {
      m_valueNames.insert(m_valueNames.end(), names.begin(), names.end());
    };
    add(m_game.objects.names);
    add(m_game.sprites.names);
    add(m_game.backgrounds.names);
    add(m_game.paths.names);
    add(m_game.scripts.names);
    add(m_game.timelines.names);
    add(m_game.rooms.names);
    for (const auto &t : m_game.triggers.items)
      if (t) m_valueNames.push_back(t->i_constname);
    for (int32_t i = 0; i < ConstantCount(); ++i) m_valueNames.push_back(ConstantName(i));
    for (int32_t i = 0; i < BuiltinCount(); ++i) m_valueNames.push_back(BuiltinName(i));
  }

  void DefineConstant(const RCodePiece &piece) {
    CCode c(piece.text, true);
    RValue value = RValue::Real(1);
    if (!c.Compile()) {
      Error(piece, CodeErrorPosition(), CodeErrorMessage());
    } else if (c.Kind() == CCode::kConstantExpression) {
      value = c.Value();
    }
    // A value that needs a function call is computed when the game starts;
    // here the name only has to be known, so it stands for a harmless 1.
    CodeErrorClear();
    ConstantAdd(piece.constantName, value);
    m_valueNames.push_back(piece.constantName);
  }

  void CheckPiece(const RCodePiece &piece, bool expression) {
    CCode c(piece.text, expression);
    if (!c.Compile()) {
      std::string message = CodeErrorMessage();
      static const std::string kUnknownFunction = "Unknown function or script: ";
      if (message.rfind(kUnknownFunction, 0) == 0) {
        const std::string suggestion = PackClosestName(message.substr(kUnknownFunction.size()), m_functionNames);
        if (!suggestion.empty()) message += " (did you mean " + suggestion + "?)";
      }
      Error(piece, CodeErrorPosition(), message);
      CodeErrorClear();
      return;
    }
    Walk(piece, c.Token(), false);
  }

  // Looks through a compiled tree for calls of scripts with a count of
  // arguments the script refuses, and for the variables read and set.
  void Walk(const RCodePiece &piece, const RToken &t, bool assigned) {
    if (t.kind == NODE_CALL && t.ind >= kFunctionScriptBase && t.ind < kFunctionExtensionBase)
      CheckScriptCall(piece, t);
    if (t.kind == NODE_VARIABLE || t.kind == NODE_VARIABLE_SIMPLE) {
      if (assigned) {
        m_set.insert(t.ind);
      } else if (t.ind >= kUserVariableBase && !m_read.count(t.ind)) {
        m_read.emplace(t.ind, RRead{&piece, t.position});
      }
    }
    if (t.kind == NODE_VAR || t.kind == NODE_GLOBALVAR) {
      for (const RToken &name : t) m_set.insert(name.ind);
      return;
    }
    for (int i = 0; i < t.itemnumb; ++i)
      Walk(piece, t.Child(i), t.kind == NODE_ASSIGN && i == 0);
  }

  void CheckScriptCall(const RCodePiece &piece, const RToken &call) {
    if (!m_game.settings.opt_argumenterrors) return;
    const int32_t script = call.ind - kFunctionScriptBase;
    const auto it = m_scriptArgs.find(script);
    if (it == m_scriptArgs.end()) return;
    const RScriptArgs need = it->second;
    const int32_t given = call.itemnumb;
    if (need.argArray ? given >= need.args : given == need.args) return;
    // The runner's words for the same mistake when the call runs.
    Error(piece, call.position,
          "Illegal argument count calling script \"" + m_game.scripts.names[static_cast<size_t>(script)] +
              "\". Script requires " + (need.argArray ? "at least " : "") + std::to_string(need.args) +
              " arguments, " + std::to_string(given) + " have been supplied.");
  }

  // A variable that is read but set nowhere in the game fails when it is
  // read. Most likely it is a misspelt name: when a known name is close,
  // say so (the game may still set it in ways no code shows, such as
  // variable_global_set, so this is only a warning).
  void WarnUnsetVariables() {
    std::vector<std::string> candidates = m_valueNames;
    for (int32_t index : m_set)
      if (index >= kUserVariableBase) candidates.push_back(VariableName(index));
    for (const auto &[index, where] : m_read) {
      if (m_set.count(index)) continue;
      const std::string &name = VariableName(index);
      const std::string suggestion = PackClosestName(name, candidates);
      if (suggestion.empty()) continue;
      m_report.warnings.push_back(Located(*where.piece, where.position) + "warning: the variable " + name +
                                  " is read but set nowhere in the game (did you mean " + suggestion + "?)");
    }
  }

  static std::string Located(const RCodePiece &piece, int position) {
    const RTextPlace p = PackTextPlace(piece.text, position);
    return piece.origin + ":" + std::to_string(p.line) + ":" + std::to_string(p.column) + ": ";
  }

  void Error(const RCodePiece &piece, int position, const std::string &message) {
    m_report.errors.push_back(Located(piece, position) + message);
  }

  struct RRead {
    const RCodePiece *piece;
    int position;
  };

  const RGameModel &m_game;
  RCheckReport &m_report;
  std::vector<std::string> m_functionNames;
  std::vector<std::string> m_valueNames;
  std::map<int, RScriptArgs> m_scriptArgs;
  std::set<int32_t> m_set;
  std::map<int32_t, RRead> m_read;  // the first read of each user variable
};

}  // namespace

RCheckReport PackCheckCode(const RGameModel &game, const std::vector<RCodePiece> &code) {
  RCheckReport report;
  CChecker(game, report).Run(code);
  return report;
}

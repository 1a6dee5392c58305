#include "Pack_Main.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <ostream>
#include <random>

#include "Pack_Check.h"
#include "Pack_Json.h"
#include "Pack_Output.h"
#include "Pack_Project.h"
#include "base/Game_Format.h"
#include "runner/Game_Writer.h"
#include "base/Support_File.h"
#include "base/Support_Stream.h"

const char kPackUsage[] =
    "Usage: quillon-pack PROJECT -o OUT [options]\n"
    "       quillon-pack --check PROJECT\n"
    "\n"
    "Packs the game project in the folder PROJECT (game.json and the files it\n"
    "names; see docs/project-format.md) into a game. Every piece of the game's\n"
    "code is compiled first; each error is shown as FILE:LINE:COLUMN: MESSAGE\n"
    "and a game with errors is not written.\n"
    "\n"
    "Options:\n"
    "  -o, --output PATH  where to write the game (required unless --check)\n"
    "  --check            only read the project and compile its code\n"
    "  --no-check         write the game even when its code has errors (the\n"
    "                     game then reports them when it starts)\n"
    "  --data             write a bare game-data file (run it with 'quillon PATH')\n"
    "                     instead of a game executable\n"
    "  --runner PATH      the runner program to copy into the executable\n"
    "                     (default: quillon beside quillon-pack)\n"
    "  --seed N           make the random parts of the output reproducible: the\n"
    "                     same project and N (0..4294967295) give the same bytes\n"
    "  -h, --help         show this text\n"
    "\n"
    "The output is written completely or not at all. Exit status: 0 when the\n"
    "game was written (with --check: when the project has no errors), 1 when\n"
    "the project cannot be packed, 2 for a wrong command line.\n";

namespace {

// A command-line mistake, as opposed to a project that cannot be packed.
class UsageError : public PackError {
public:
  using PackError::PackError;
};

uint32_t ParseSeed(const std::string &text) {
  uint32_t v = 0;
  const char *end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc() || p != end)
    throw UsageError("--seed expects a whole number from 0 to 4294967295, not \"" + text + "\"");
  return v;
}

// Restores clock-seeded scrambling however packing ends, so that a test
// that packs in-process leaves no fixed seed behind.
struct ScrambleSeedScope {
  explicit ScrambleSeedScope(uint32_t seed) { CStream::SetScrambleSeed(seed); }
  ~ScrambleSeedScope() { CStream::ClearScrambleSeed(); }
};

}  // namespace

PackOptions ParsePackArguments(const std::vector<std::string> &args) {
  PackOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    // Options that take a value accept it as the next argument or after '='.
    auto value = [&](const std::string &name) -> std::string {
      if (a.size() > name.size() && a.compare(0, name.size() + 1, name + "=") == 0) return a.substr(name.size() + 1);
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      return args[++i];
    };
    auto is = [&](const std::string &name) { return a == name || a.compare(0, name.size() + 1, name + "=") == 0; };
    if (a == "-h" || a == "--help") {
      o.help = true;
    } else if (a == "--data") {
      o.dataOnly = true;
    } else if (a == "--check") {
      o.checkOnly = true;
    } else if (a == "--no-check") {
      o.noCheck = true;
    } else if (a == "-o") {
      if (i + 1 >= args.size()) throw UsageError("-o needs a value");
      o.output = args[++i];
    } else if (is("--output")) {
      o.output = value("--output");
    } else if (is("--runner")) {
      o.runner = value("--runner");
    } else if (is("--seed")) {
      o.seed = ParseSeed(value("--seed"));
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      throw UsageError("unknown option " + a);
    } else if (o.project.empty()) {
      o.project = a;
    } else {
      throw UsageError("more than one project folder given (" + o.project + ", " + a + ")");
    }
  }
  if (o.help) return o;
  if (o.project.empty()) throw UsageError("no project folder given");
  if (o.checkOnly && o.noCheck) throw UsageError("--check and --no-check contradict each other");
  if (o.checkOnly) {
    if (!o.output.empty() || o.dataOnly || !o.runner.empty() || o.seed)
      throw UsageError("--check writes nothing: it takes no -o, --data, --runner or --seed");
    return o;
  }
  if (o.output.empty()) throw UsageError("no output given (-o PATH)");
  if (o.dataOnly && !o.runner.empty()) throw UsageError("--runner has no use with --data");
  return o;
}

namespace {

// The copy of the runner ends with its program image: the sections behind it
// (the symbol table, the debug link) and their header table are left out.
// The ELF header must then not point at a table that now lies in the padding
// or the game data, where debuggers and other tools would read nonsense.
void ForgetSectionTable(std::vector<uint8_t> &image) {
  const bool is64 = image[4] == 2;
  const size_t shoff = is64 ? 0x28 : 0x20, shoffSize = is64 ? 8 : 4, shnum = is64 ? 0x3C : 0x30;
  if (image.size() < shnum + 4) return;
  std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(shoff), shoffSize, 0);  // e_shoff
  std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(shnum), 4, 0);          // e_shnum, e_shstrndx
}

}  // namespace

std::string DefaultRunnerPath() { return SelfExecutableDir() + "/quillon"; }

int RunPacker(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
  PackOptions opts;
  try {
    opts = ParsePackArguments(args);
  } catch (const PackError &e) {
    err << "quillon-pack: " << e.what() << "\nTry 'quillon-pack --help'.\n";
    return 2;
  }
  if (opts.help) {
    out << kPackUsage;
    return 0;
  }
  try {
    RGameModel game;
    std::vector<RCodePiece> code;
    ReadProject(opts.project, game, &code);
    const RCheckReport check = PackCheckCode(game, code);
    for (const std::string &line : check.errors) err << line << "\n";
    for (const std::string &line : check.warnings) err << line << "\n";
    if (!check.errors.empty() && !opts.noCheck) {
      const size_t n = check.errors.size();
      err << "quillon-pack: " << opts.project << ": " << n << (n == 1 ? " error" : " errors") << " in the game's code"
          << (opts.checkOnly ? "" : "; nothing written") << "\n";
      return 1;
    }
    if (opts.checkOnly) {
      out << "quillon-pack: " << opts.project << ": no errors\n";
      return 0;
    }

    // Every random part of the file comes from this one generator, so one
    // --seed fixes them all.
    std::mt19937 rng(opts.seed ? *opts.seed : std::random_device{}());
    RGameFileOptions fo;
    fo.markerMask = static_cast<uint32_t>(rng());
    fo.seed = static_cast<uint32_t>(rng());
    game.fillerCount = 100 + static_cast<int32_t>(rng() % 500);
    ScrambleSeedScope scrambling(static_cast<uint32_t>(rng()));

    if (!opts.dataOnly) {
      const std::string runner = opts.runner.empty() ? DefaultRunnerPath() : opts.runner;
      std::vector<uint8_t> program = ReadWholeFile(runner, "the runner program");
      const int64_t imageEnd = ExecutableImageEnd(program.data(), program.size());
      if (imageEnd <= 0) throw PackError(runner + ": not a runner program (no ELF executable)");
      if (imageEnd > static_cast<int64_t>(program.size()))
        throw PackError(runner + ": the runner program is cut short (its image ends at byte " +
                        std::to_string(imageEnd) + ", the file at byte " + std::to_string(program.size()) + ")");
      // Only the program image is copied: a runner that already carries a
      // game must not leave that game's marker in front of the new one, and
      // what lies behind the image does not run.
      program.resize(static_cast<size_t>(imageEnd));
      ForgetSectionTable(program);
      fo.minDataOffset = std::max<int64_t>(GameFormat::kMarkerSearchStart, imageEnd);
      fo.prefix = std::move(program);
    } else {
      fo.minDataOffset = GameFormat::kMarkerSearchStart;
    }

    const RGameFileImage image = GameWriter_Build(game, fo);
    WriteFileAtomically(opts.output, {}, 0, image.bytes, opts.dataOnly ? 0644 : 0755);
    out << "quillon-pack: wrote " << opts.output << " (" << (opts.dataOnly ? "game data" : "game executable")
        << ", " << image.bytes.size() << " bytes, game data at offset " << image.dataOffset << ")\n";
    return 0;
  } catch (const PackError &e) {
    err << "quillon-pack: " << e.what() << "\n";
  } catch (const std::exception &e) {
    err << "quillon-pack: " << opts.project << ": " << e.what() << "\n";
  }
  return 1;
}

// bench_main.cpp - qelt_bench: expansion, packing and a whole installation, each measured
// side by side with independent tools in one run on the same inputs, medians of several
// repetitions, printed as tables of ratios. Every output is compared with the original
// bytes, so a fast but wrong tool shows as such instead of as a good figure.
//
// qelt_bench --payload DIR --szdd CMD --work DIR [--size MiB] [--reps N] [--large-reps N]
//            [--slow-reps N] [--setup PROGRAM --script FILE]
#include <windows.h>
#include <winver.h>

#include <mspack.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "corpus.h"
#include "kernel/drive.h"
#include "measure.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Options {
  fs::path payload, work, setup, script;
  std::string szdd;
  std::size_t largeBytes = 64u << 20;
  int reps = 5;
  int largeReps = 3;
  int slowReps = 1;  // mscompress and msexpand on the large inputs
};

// The build's payload: each packed file and the original it was packed from.
struct PayloadFile {
  const char* packed;
  const char* original;
};
constexpr PayloadFile Payload[] = {
    {"aliases.ql_", "aliases.qlt"},        {"qelt_ws1.ex_", "qelt_ws1.exe"}, {"qelt_ws2.ex_", "qelt_ws2.exe"},
    {"tessmor1.ex_", "tessmorw_ws1.exe"}, {"tessmor2.ex_", "tessmorw_ws2.exe"}, {"qelt.hl_", "qelt.hlp"},
    {"vornel.tx_", "vornel.txt"},          {"servers.ql_", "servers.qlt"},
};

Bytes Get(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path.string() + ": expected a readable file, found none");
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Put(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error(path.string() + ": cannot write it");
}

double MB(std::size_t bytes) { return bytes / 1e6; }

// --- Expansion, file to file ---------------------------------------------------------------

// The three expanders, each from a packed file to an output file.
class Expanders {
 public:
  explicit Expanders(const fs::path& work) : drive_(work / "drive_c") {
    fs::create_directories(drive_ / "Program Files" / "Qelt");
    winhost::SetDriveRoot('C', drive_);
    mspack_ = mspack_create_szdd_decompressor(nullptr);
    if (!mspack_) throw std::runtime_error("libmspack: no SZDD decompressor");
  }
  ~Expanders() { mspack_destroy_szdd_decompressor(mspack_); }

  fs::path Folder() const { return drive_ / "Program Files" / "Qelt"; }

  // The version-install service, as the installer calls it: the packed copy in the folder
  // becomes the installed file beside it.
  void Ours() {
    static const char folder[] = "c:\\Program Files\\Qelt\\";
    char tmp[516] = "";
    UINT length = sizeof tmp;
    DWORD result = VerInstallFileA(VIFF_FORCEINSTALL, "input.pk_", "output.bin", folder, folder, folder, tmp, &length);
    if (result) throw std::runtime_error("VerInstallFileA: expected 0, found " + std::to_string(result));
  }
  void Mspack(const fs::path& in, const fs::path& out) {
    int rc = mspack_->decompress(mspack_, in.c_str(), out.c_str());
    if (rc != MSPACK_ERR_OK) throw std::runtime_error(in.string() + ": libmspack: error " + std::to_string(rc));
  }
  static void Msexpand(const fs::path& in, const fs::path& out) { bench::Run({"msexpand"}, in, out); }

 private:
  fs::path drive_;
  msszdd_decompressor* mspack_ = nullptr;
};

struct ExpandTimes {
  double ours = 0, mspack = 0, msexpand = 0;
  std::string wrong;  // tools whose output differs from the original
};

// `slowReps` for msexpand, which is two orders of magnitude slower than the other two.
ExpandTimes TimeExpansion(Expanders& ex, const fs::path& packed, const Bytes& original, int reps, int slowReps,
                          const fs::path& work) {
  ExpandTimes t;
  fs::copy_file(packed, ex.Folder() / "input.pk_", fs::copy_options::overwrite_existing);
  fs::path out = work / "expanded.bin";
  std::vector<double> m = bench::Medians(reps, {[&] { ex.Ours(); }, [&] { ex.Mspack(packed, out); }});
  t.ours = m[0];
  t.mspack = m[1];
  if (Get(ex.Folder() / "output.bin") != original) t.wrong += " ours";
  if (Get(out) != original) t.wrong += " libmspack";
  t.msexpand = bench::Median(slowReps, [&] { Expanders::Msexpand(packed, out); });
  if (Get(out) != original) t.wrong += " msexpand";
  fs::remove(out);
  return t;
}

void PrintExpansionRow(const std::string& name, std::size_t bytes, const ExpandTimes& t) {
  std::printf("| %-28s | %9.2f | %9.1f | %9.1f | %9.1f | %7.2fx | %7.2fx |%s\n", name.c_str(), MB(bytes),
              MB(bytes) / t.ours, MB(bytes) / t.mspack, MB(bytes) / t.msexpand, t.mspack / t.ours, t.msexpand / t.ours,
              t.wrong.empty() ? "" : (" output differs:" + t.wrong).c_str());
}

// --- Packing ---------------------------------------------------------------------------------

struct PackResult {
  std::size_t inBytes = 0, ours = 0, theirs = 0;
  double oursTime = 0, theirsTime = 0;
};

// Our szdd command and mscompress, each as a command from a file to a file.
PackResult TimePacking(const Options& o, const fs::path& input, int reps, int slowReps, const fs::path& oursOut,
                       const fs::path& theirsOut) {
  PackResult r;
  r.inBytes = fs::file_size(input);
  r.oursTime = bench::Median(reps, [&] {
    fs::remove(oursOut);
    bench::Run({o.szdd, "pack", input, oursOut});
  }, 0);
  // mscompress writes NAME_ beside its input, so it works on a copy.
  fs::path dir = o.work / "mscompress";
  fs::create_directories(dir);
  fs::path copy = dir / input.filename();
  fs::copy_file(input, copy, fs::copy_options::overwrite_existing);
  fs::path made = copy;
  made += "_";
  r.theirsTime = bench::Median(slowReps, [&] {
    fs::remove(made);
    bench::Run({"mscompress", copy});
  }, 0);
  fs::rename(made, theirsOut);
  fs::remove(copy);
  r.ours = fs::file_size(oursOut);
  r.theirs = fs::file_size(theirsOut);
  return r;
}

void PrintPackingRow(const std::string& name, const PackResult& r) {
  std::printf("| %-28s | %10zu | %10zu | %10zu | %6.4f | %8.2f | %8.2f | %7.1fx |\n", name.c_str(), r.inBytes, r.ours,
              r.theirs, r.theirs ? double(r.ours) / r.theirs : 1.0, MB(r.inBytes) / r.oursTime,
              MB(r.inBytes) / r.theirsTime, r.theirsTime / r.oursTime);
}

// --- A whole installation ------------------------------------------------------------------

void TimeInstallation(const Options& o) {
  int run = 0;
  auto install = [&] {
    // A drive folder that does not exist yet is made at first use, as a fresh drive C.
    fs::path drive = o.work / ("install-" + std::to_string(run++));
    bench::Run({o.setup}, {}, {}, {{"WINHOST_DRIVE_C", drive}, {"WINHOST_UI", "script:" + o.script.string()}});
    return drive / "Program Files" / "Qelt";
  };
  fs::path installed = install();
  std::vector<std::string> files;
  std::size_t bytes = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(installed)) {
    files.push_back(e.path());
    bytes += e.file_size();
  }
  if (files.empty()) throw std::runtime_error(installed.string() + ": expected the installed files, found none");
  auto copy = [&] {
    fs::path dest = o.work / ("copy-" + std::to_string(run++));
    fs::create_directories(dest);
    std::vector<std::string> argv = {"cp"};
    argv.insert(argv.end(), files.begin(), files.end());
    argv.push_back(dest);
    bench::Run(argv);
  };
  std::vector<double> m = bench::Medians(o.reps, {[&] { install(); }, copy}, 0);
  std::printf("\nWhole installation (default folder, %zu files, %.2f MB installed; median of %d, in turns)\n\n",
              files.size(), MB(bytes), o.reps);
  std::printf("| qelt-setup (s) | cp of the installed files (s) | setup / cp |\n|---|---|---|\n");
  std::printf("| %.4f | %.4f | %.1fx |\n", m[0], m[1], m[0] / m[1]);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string key = argv[i], value = argv[i + 1];
    if (key == "--payload") o.payload = value;
    else if (key == "--szdd") o.szdd = value;
    else if (key == "--work") o.work = value;
    else if (key == "--size") o.largeBytes = std::stoul(value) << 20;
    else if (key == "--reps") o.reps = std::stoi(value);
    else if (key == "--large-reps") o.largeReps = std::stoi(value);
    else if (key == "--slow-reps") o.slowReps = std::stoi(value);
    else if (key == "--setup") o.setup = value;
    else if (key == "--script") o.script = value;
    else throw std::runtime_error("unknown option " + key);
  }
  if (o.payload.empty() || o.szdd.empty() || o.work.empty())
    throw std::runtime_error("usage: qelt_bench --payload DIR --szdd CMD --work DIR [--size MiB] [--reps N] "
                             "[--large-reps N] [--slow-reps N] [--setup PROGRAM --script FILE]");
  return o;
}

}  // namespace

int main(int argc, char** argv) try {
  Options o = Parse(argc, argv);
  fs::create_directories(o.work);

  // Large inputs, packed by both packers: the packing table, and the expansion inputs.
  struct Large {
    std::string name;
    Bytes bytes;
    fs::path original, ours, theirs;
  };
  std::vector<Large> large = {{"text", bench::TextLike(o.largeBytes), {}, {}, {}},
                              {"binary", bench::BinaryLike(o.largeBytes), {}, {}, {}}};
  for (Large& l : large) {
    l.original = o.work / (l.name + ".dat");
    l.ours = o.work / (l.name + ".ours.da_");
    l.theirs = o.work / (l.name + ".mscompress.da_");
    Put(l.original, l.bytes);
  }

  std::printf("Packing: our szdd command against mscompress, file to file (median of %d; large inputs %d, "
              "mscompress on them %d)\n\n", o.reps, o.largeReps, o.slowReps);
  std::printf("| input | bytes | ours packed | mscompress packed | size ours/ms | ours MB/s | ms MB/s | speed ours/ms |\n");
  std::printf("|---|---|---|---|---|---|---|---|\n");
  for (const PayloadFile& p : Payload) {
    fs::path original = o.payload / p.original;
    PackResult r = TimePacking(o, original, o.reps, o.reps, o.work / "payload.ours", o.work / "payload.ms");
    PrintPackingRow(std::string("payload ") + p.original, r);
  }
  for (Large& l : large)
    PrintPackingRow(l.name + " " + std::to_string(o.largeBytes >> 20) + " MiB",
                    TimePacking(o, l.original, o.largeReps, o.slowReps, l.ours, l.theirs));
  std::fflush(stdout);

  Expanders expanders(o.work);
  std::printf("\nExpansion, file to file: ours (VerInstallFileA) against libmspack and msexpand, MB/s of "
              "expanded bytes (median of %d; large inputs %d, msexpand on them %d; ours and libmspack in turns)\n\n",
              o.reps, o.largeReps, o.slowReps);
  std::printf("| input | MB | ours | libmspack | msexpand | ours/libmspack | ours/msexpand |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  ExpandTimes total;
  std::size_t totalBytes = 0;
  for (const PayloadFile& p : Payload) {
    Bytes original = Get(o.payload / p.original);
    ExpandTimes t = TimeExpansion(expanders, o.payload / p.packed, original, o.reps, o.reps, o.work);
    PrintExpansionRow(std::string("payload ") + p.packed, original.size(), t);
    total.ours += t.ours;
    total.mspack += t.mspack;
    total.msexpand += t.msexpand;
    if (!t.wrong.empty()) total.wrong += std::string(" ") + p.packed + ":" + t.wrong;
    totalBytes += original.size();
  }
  PrintExpansionRow("payload, all 8 files", totalBytes, total);
  for (Large& l : large) {
    std::string size = " " + std::to_string(o.largeBytes >> 20) + " MiB";
    PrintExpansionRow(l.name + size + ", our packing", l.bytes.size(),
                      TimeExpansion(expanders, l.ours, l.bytes, o.largeReps, o.slowReps, o.work));
    PrintExpansionRow(l.name + size + ", mscompress", l.bytes.size(),
                      TimeExpansion(expanders, l.theirs, l.bytes, o.largeReps, o.slowReps, o.work));
  }
  std::fflush(stdout);

  if (!o.setup.empty()) TimeInstallation(o);
  return 0;
} catch (const std::exception& e) {
  std::fprintf(stderr, "qelt_bench: %s\n", e.what());
  return 1;
}

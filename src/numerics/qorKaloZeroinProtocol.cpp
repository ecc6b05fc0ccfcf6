#include "qorKaloZeroinProtocol.h"

#include "qorException.h"

#include <iomanip>
#include <locale>
#include <random>
#include <sstream>
#include <system_error>

const char* const ProtocolBisection = "Bisektion";
const char* const ProtocolSecant = "Sekantenverfahren";
const char* const ProtocolInverseQuadratic = "inverse quadratische Interpolation";
const char* const ProtocolStepByD = "Differenz d zum neuen b:  ";
const char* const ProtocolAddTol = "Fehlerschranke wird addiert:     ";
const char* const ProtocolSubtractTol = "Fehlerschranke wird subtrahiert: ";

namespace {
// Numbers and counts are right-aligned in a field of this width; wider values widen it.
constexpr int FieldWidth = 20;
// Reals are written in fixed-point notation with this many decimals.
constexpr int Decimals = 14;

const char* const MsgProtocolWrite = "Fehler beim Schreiben der Protokolldatei.";

// The protocol is a file, so its numbers never follow the user's regional settings.
std::ostringstream ClassicStream() {
  std::ostringstream s;
  s.imbue(std::locale::classic());
  return s;
}

std::string Real(Extended x) {
  std::ostringstream s = ClassicStream();
  s << std::fixed << std::setprecision(Decimals) << std::setw(FieldWidth) << x;
  return s.str();
}

std::string Count(int n) {
  std::ostringstream s = ClassicStream();
  s << std::setw(FieldWidth) << n;
  return s.str();
}

// A name beside the target that no other writer picks: a random suffix.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target) {
  std::random_device random;
  std::ostringstream suffix = ClassicStream();
  suffix << ".tmp" << std::hex << random();
  std::filesystem::path result = target;
  result += suffix.str();
  return result;
}
}  // namespace

TZeroinProtocol::~TZeroinProtocol() {
  if (!FFile) return;
  FFile.reset();
  std::error_code ignored;
  std::filesystem::remove(FTemporary, ignored);
}

bool TZeroinProtocol::Open() {
  if (FFileName.empty()) return true;
  FTarget = FFileName;
  std::error_code ec;
  if (std::filesystem::is_directory(FTarget, ec)) return false;
  FTemporary = TemporaryNameFor(FTarget);
  // "x": never reuse a file that someone else created under the same name.
  FFile.reset(std::fopen(FTemporary.c_str(), "wx"));
  return FFile != nullptr;
}

void TZeroinProtocol::WriteLine(const std::string& Line) {
  std::fputs(Line.c_str(), FFile.get());
  std::fputc('\n', FFile.get());
}

void TZeroinProtocol::WritePoints(Extended a, Extended b, Extended c, Extended fa, Extended fb, Extended fc) {
  WriteLine("a = " + Real(a) + "  b = " + Real(b) + "  " + "c = " + Real(c));
  WriteLine("fa= " + Real(fa) + "  fb= " + Real(fb) + "  " + "fc= " + Real(fc));
}

void TZeroinProtocol::WriteStep(const char* Reason, Extended d) { WriteLine(std::string(Reason) + "d = " + Real(d)); }

void TZeroinProtocol::WriteNewPoint(Extended b, Extended fb, int Iter) {
  WriteLine("b = " + Real(b) + "  fb= " + Real(fb));
  WriteLine("Anzahl der Funktionsauswertungen = " + Count(Iter));
  WriteLine("");
  WriteLine("");
}

void TZeroinProtocol::Commit() {
  if (!FFile) return;
  const bool written = std::ferror(FFile.get()) == 0;
  const bool closed = std::fclose(FFile.release()) == 0;
  std::error_code ec;
  if (written && closed) std::filesystem::rename(FTemporary, FTarget, ec);
  if (written && closed && !ec) return;
  std::filesystem::remove(FTemporary, ec);
  throw EInOutError(MsgProtocolWrite);
}

#include "files/engine_file.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/error_trace.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text.h"
#include "base/text_number.h"

namespace orv {

// Engine file ".OV": a keyed text file (see keyed_file.h) with four sections, in this order.
// Defaults are the file defaults: what a missing key reads as and what is never written.
//
//   [ID]          buffer 2048  Purpose = Orvantis Engine File
//   [Inputs]      buffer 4096  keys 1..58 below, in transfer order
//   [IntakeCam]   buffer 8192  Smth (16-bit, 0), Int (list "0.000000", cam-lift by degree)
//   [ExhaustCam]  buffer 8192  Smth (16-bit, 0), Exh (list "0.000000")
//
// Float keys are transferred as 32-bit floats: narrowed for writing and comparing, widened
// again after reading. A list is one text value, every element from index 0 written with its
// pattern and followed by "," (so the text ends in ","), always with "." as decimal point; an
// empty list writes no line.

namespace {

constexpr const char* kEngineFileModule = "FileIO";
constexpr std::size_t kSmallBuffer = 4096;
constexpr std::size_t kCamBuffer = 8192;
constexpr int kCamDegrees = 360;

constexpr const char* kLiftPattern = "0.0000";
constexpr const char* kCfmPattern = "0.00";
constexpr const char* kSwirlPattern = "0";
constexpr const char* kCamPattern = "0.000000";

// A 64-bit input transferred as a 32-bit float. A value beyond the float range is refused
// rather than written as a number that reads back as something else.
void IOSingleField(KeyedFile& f, std::string_view key, double& field, float defaultValue) {
  float value = ToSingle(field);
  if (!f.reading() && std::isfinite(field) && !std::isfinite(value)) {
    f.RefuseWrite("the value of " + std::string(key) + " (" + DoubleToText(field) +
                  ") is beyond the range of the file's 32-bit numbers; it would not read back");
  }
  f.IOSingle(key, value, defaultValue);
  if (f.reading()) field = static_cast<double>(value);
}

// The values of a list text: the pieces between the commas, the last piece (after the final
// comma) not counted.
std::vector<std::string_view> ListPieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t pos = 0;
  while (true) {
    const std::size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos) break;
    pieces.push_back(text.substr(pos, comma - pos));
    pos = comma + 1;
  }
  return pieces;
}

float PieceValue(std::string_view piece) { return TextToSingle(piece); }

// On writing, refuses a table holding a value that is infinite or not a number.
void CheckListValues(KeyedFile& f, std::string_view key, const BoundedArray<float>& table) {
  if (f.reading()) return;
  for (float value : table.values()) {
    if (!std::isfinite(value)) {
      f.RefuseWrite("the list " + std::string(key) + " holds " + SingleToText(value) +
                    ", which is not a finite number; it would not read back");
      return;
    }
  }
}

// A keyboard flow table. Reading: an empty text leaves the table as it is; one value or none
// gives a single element holding 0; otherwise the table holds the values.
void IOFlowList(KeyedFile& f, std::string_view key, BoundedArray<float>& table,
                std::string_view pattern) {
  CheckListValues(f, key, table);
  std::string text = f.reading() ? std::string() : ListText(table, pattern);
  f.IOString(key, text, "");
  if (!f.reading() || text.empty()) return;
  const std::vector<std::string_view> pieces = ListPieces(text);
  const int count = static_cast<int>(pieces.size());
  if (count - 1 < 1) {
    table.Redim(0, 0);
    return;
  }
  table.Redim(0, count - 1);
  for (int i = 0; i < count; ++i) table[i] = PieceValue(pieces[static_cast<std::size_t>(i)]);
}

// A cam-lift table: fewer than 360 values mean no lobe (a single element), otherwise the
// first 360 values are taken.
void IOCamList(KeyedFile& f, std::string_view key, BoundedArray<float>& table) {
  CheckListValues(f, key, table);
  std::string text = f.reading() ? std::string() : ListText(table, kCamPattern);
  f.IOString(key, text, "");
  if (!f.reading()) return;
  const std::vector<std::string_view> pieces = ListPieces(text);
  if (static_cast<int>(pieces.size()) < kCamDegrees) {
    table.Redim(0, 0);
    return;
  }
  table.Redim(0, kCamDegrees - 1);
  for (int i = 0; i < kCamDegrees; ++i) table[i] = PieceValue(pieces[static_cast<std::size_t>(i)]);
}

void CutTo(BoundedArray<float>& table, int count) {
  if (table.count() > count) table.RedimPreserve(count - 1);
}

// The lift and flow columns of a keyboard table belong together: the longer is cut to the
// shorter; the intake swirl follows them, cut or padded with 0.
void ReconcileKeyboardTables(EngineInputs& in) {
  const int intake = std::min(in.ILift.count(), in.ICfm.count());
  CutTo(in.ILift, intake);
  CutTo(in.ICfm, intake);
  CutTo(in.ISwirl, intake);
  if (in.ISwirl.count() < in.ILift.count()) in.ISwirl.RedimPreserve(in.ILift.count() - 1);
  const int exhaust = std::min(in.ELift.count(), in.ECfm.count());
  CutTo(in.ELift, exhaust);
  CutTo(in.ECfm, exhaust);
}

void TransferInputs(KeyedFile& f, EngineInputs& in) {
  f.OpenSection("Inputs", kSmallBuffer);
  IOSingleField(f, "VE", in.VE, 100);
  IOSingleField(f, "CriticalG", in.CriticalG, 4350);
  IOSingleField(f, "Stroke", in.Stroke, 3.48f);
  IOSingleField(f, "Bore", in.Bore, 4.0f);
  IOSingleField(f, "PinEndWeight", in.PinEndWeight, 1028.9f);
  IOSingleField(f, "PinWt", in.PinWt, 0);
  IOSingleField(f, "RodLen", in.RodLen, 5.7f);
  IOSingleField(f, "CR", in.CR, 12.8f);
  IOSingleField(f, "DeckHeight", in.DeckHeight, 9.025f);
  f.IOInteger("Cylinders", in.Cylinders, 8);
  IOSingleField(f, "FiringAngle", in.FiringAngle, 90);
  IOSingleField(f, "IntCFM", in.IntCFM, 212);
  f.IOLong("VTType", in.VTType, 0);
  IOSingleField(f, "Advance", in.Advance, 37);
  IOSingleField(f, "PkTorqRPM", in.PkTorqRPM, 4658);
  IOSingleField(f, "PkPwrRPM", in.PkPwrRPM, 6149);
  IOSingleField(f, "TorqLoss", in.TorqLoss, 50);
  IOSingleField(f, "IntTemp", in.IntTemp, 100);
  IOSingleField(f, "MxIntVel", in.MxIntVel, 450);
  IOSingleField(f, "PinOff", in.PinOff, 0);
  f.IOInteger("Fuel", in.Fuel, 0);
  IOSingleField(f, "CritIntVel", in.CritIntVel, 500);
  IOSingleField(f, "ExOD", in.ExOD, 2.0f);
  IOSingleField(f, "PcntDrop", in.PcntDrop, 10);
  IOSingleField(f, "IVlvDia", in.IVlvDia, 2.125f);
  IOSingleField(f, "IVlvStm", in.IVlvStm, 0.344f);
  IOSingleField(f, "BowlA", in.BowlA, 2.502f);
  f.IOInteger("IVlvCnt", in.IVlvCnt, 2);
  f.IOInteger("EVlvDia", in.EVlvDia, 2);
  f.IOSingle("RecipBF", in.RecipBF, 55.1f);
  f.IOLong("EnterAirPP", in.EnterAirPP, 0);

  if (f.reading()) {
    for (BoundedArray<float>* table : {&in.ILift, &in.ICfm, &in.ISwirl, &in.ELift, &in.ECfm}) {
      table->Redim(0, 0);
    }
  }

  f.IOString("ICam", in.intakeCam.path, "");
  f.IODouble("I_CL", in.I_CL, 100);
  f.IOInteger("I_LNo", in.intakeCam.lobeNo, 0);
  f.IOInteger("I_SNo", in.intakeCam.shaftNo, 0);
  f.IOSingle("I_RR", in.I_RR, 1.0f);
  f.IOSingle("I_Lash", in.I_Lash, 0);
  f.IOString("IAir", in.intakeFlow.path, "");
  f.IOString("IA_Name", in.intakeFlow.name, "");
  f.IOLong("IA_ID", in.intakeFlow.testId, 0);
  f.IOLong("IA_Kd", in.intakeFlow.kind, 0);
  f.IOBoolean("KbdFlow_I", in.intakeFlow.keyboard, false);
  f.IOString("ECam", in.exhaustCam.path, "");
  f.IODouble("E_CL", in.E_CL, -100);
  f.IOInteger("E_LNo", in.exhaustCam.lobeNo, 0);
  f.IOInteger("E_SNo", in.exhaustCam.shaftNo, 0);
  f.IOSingle("E_RR", in.E_RR, 1.0f);
  f.IOSingle("E_Lash", in.E_Lash, 0);
  f.IOString("EAir", in.exhaustFlow.path, "");
  f.IOString("EA_Name", in.exhaustFlow.name, "");
  f.IOLong("EA_ID", in.exhaustFlow.testId, 0);
  f.IOLong("EA_Kd", in.exhaustFlow.kind, 0);
  f.IOBoolean("KbdFlow_E", in.exhaustFlow.keyboard, false);

  IOFlowList(f, "ILift", in.ILift, kLiftPattern);
  IOFlowList(f, "ICfm", in.ICfm, kCfmPattern);
  IOFlowList(f, "ISwirl", in.ISwirl, kSwirlPattern);
  IOFlowList(f, "ELift", in.ELift, kLiftPattern);
  IOFlowList(f, "ECfm", in.ECfm, kCfmPattern);
  f.CloseSection();
  if (f.reading()) ReconcileKeyboardTables(in);
}

void TransferCams(KeyedFile& f, EngineInputs& in) {
  f.OpenSection("IntakeCam", kCamBuffer);
  f.IOInteger("Smth", in.IntSmth, 0);
  IOCamList(f, "Int", in.Int);
  f.CloseSection();
  f.OpenSection("ExhaustCam", kCamBuffer);
  f.IOInteger("Smth", in.ExhSmth, 0);
  IOCamList(f, "Exh", in.Exh);
  f.CloseSection();
}

}  // namespace

std::string ListText(const BoundedArray<float>& table, std::string_view pattern) {
  std::string text;
  for (float value : table.values()) {
    text += FormatPattern(value, pattern);
    text += ',';
  }
  return text;
}

bool EngineFileIO(const std::filesystem::path& path, EngineInputs& inputs, bool reading, bool quiet,
                  Prompter& prompter, std::string* reason) {
  ETracker guard(kEngineFileModule, "EngineFileIO");
  // Reading fills a copy, so that a refused file leaves the engine as it was.
  EngineInputs work = inputs;
  KeyedFile f;
  f.BeginFile(path, reading, &prompter);
  if (!f.CheckHeader(kEngineFileId, quiet, kNotEngineFile, kUsingDefaultEngine, prompter) &&
      !quiet) {
    if (reason != nullptr) *reason = f.readFailure();
    return false;
  }
  TransferInputs(f, work);
  TransferCams(f, work);
  if (std::string failure; !f.EndFile(&failure)) {
    if (reason != nullptr) *reason = std::move(failure);
    return false;
  }
  if (reading) {
    if (work.EnterAirPP < 0 || work.EnterAirPP > 1) work.EnterAirPP = 0;
    work.LeadTime = LeadTimeFromAdvance(work);
    inputs = std::move(work);
  }
  return true;
}

std::string Sequence(std::string_view text) {
  std::string out(text);
  for (std::size_t i = out.size(); i-- > 0;) {
    char& c = out[i];
    if ((c >= '0' && c <= '8') || (c >= 'A' && c <= 'Y') || (c >= 'a' && c <= 'y')) {
      ++c;
      return out;
    }
    if (c == '9') {
      c = '0';
    } else if (c == 'Z') {
      c = 'A';
    } else if (c == 'z') {
      c = 'a';
    }
    // Any other character stays as it is and the carry moves on past it.
  }
  return out;
}

std::string AdvanceFileName(std::string_view name) {
  name = Trim(name);
  if (name.empty()) return {};
  const std::size_t dot = name.rfind('.');
  if (dot == 0) return {};
  if (dot == std::string_view::npos) return Sequence(name);
  return Sequence(name.substr(0, dot)) + std::string(name.substr(dot));
}

}  // namespace orv

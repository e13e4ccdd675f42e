#include "app/command_help.h"

#include <CLI/CLI.hpp>
#include <map>
#include <sstream>
#include <vector>

#ifndef ORVANTIS_VERSION
#define ORVANTIS_VERSION ""
#endif

namespace orv {

namespace {

constexpr std::size_t kHelpWidth = 79;

// A titled group of paragraphs after the list of commands.
struct HelpSection {
  const char* title;
  std::vector<const char*> paragraphs;
};

const std::vector<HelpSection>& GeneralSections() {
  static const std::vector<HelpSection> sections = {
      {"DESCRIPTION",
       {"Orvantis computes what one piston engine does from its typed geometry and operating "
        "targets, two measured cam lobes and flow-bench airflow: cylinder and engine geometry, "
        "piston motion degree by degree, balance factors, flow demand against the airflow the "
        "valves pass, torque and power, port, throat and exhaust sizes.",
        "Without a command, orvantis opens its main window. With a command it works without a "
        "window and writes its results to standard output or to the file named with -o. Run "
        "orvantis COMMAND --help for the options of a command."}},
      {"ENGINE INPUTS",
       {"Without ENGINE.OV the built-in default engine with its default cam lobes is used; an "
        "engine file that is missing or not an Orvantis engine file is refused.",
        "--set KEY=VALUE types VALUE into the input whose engine-file key is KEY, in the unit "
        "system chosen with --units, exactly as a user typing it in the window: the same "
        "limits, rounding, suggestions and recalculation. Several --set are applied in order, "
        "after the cam lobes and flow tests are loaded. The keys: Bore, Stroke, RodLen, "
        "Cylinders, DeckHeight, FiringAngle, PinOff, CriticalG, PinEndWeight, PinWt, RecipBF, "
        "IVlvCnt, EVlvDia (the number of exhaust valves), MxIntVel, IntTemp, CritIntVel, CR, "
        "VTType (0 Flat Tappet Pushrod, 1 Endurance, 2 Maximum Performance), Fuel (0 "
        "Gasoline, 1 Alcohol, 2 Diesel), VE (in percent), ExOD, IntCFM, PkPwrRPM, PkTorqRPM, "
        "Advance (the injection lead time in milliseconds for a diesel), IVlvDia, IVlvStm, "
        "BowlA, the cam settings I_CL, I_RR, I_Lash, E_CL, E_RR, E_Lash, and EnterAirPP (0: "
        "the intake airflow is typed, 1: the rpm at peak power is typed).",
        "Unit systems: english (inches, cubic feet per minute, feet per second, degrees "
        "Fahrenheit), metric (millimetres, metres per second, degrees Celsius, airflow still "
        "in cubic feet per minute) and metric-m3 (metric with airflow in cubic metres per "
        "minute)."}},
      {"FILES",
       {"The data root (default $HOME/Orvantis) holds the configuration file ORV_ANT.INI and "
        "the folders Engines, Reports and Graph Captures. The interface string file "
        "OV-STR.TXT and the manual OrvantisManual.pdf are kept beside the program, or in "
        "share/orvantis of the installation. The recent-file list is kept in "
        "$XDG_CONFIG_HOME/Orvantis/Orvantis.ini (default ~/.config/Orvantis/Orvantis.ini)."}},
      {"ENVIRONMENT",
       {"ORVANTIS_DATA_ROOT names the data root; --data-root DIR overrides it. "
        "XDG_CONFIG_HOME is where the per-user settings folder is kept."}},
      {"EXIT STATUS",
       {"0 when the command succeeded; not 0 when it failed, with the reason on standard "
        "error."}},
      {"SEE ALSO",
       {"The user manual OrvantisManual.pdf (Help, Help in the main window) explains every "
        "input, result, dialog and command with worked examples."}},
  };
  return sections;
}

// Paragraphs shown after the options of each command.
const std::map<std::string, std::vector<const char*>>& CommandParagraphs() {
  static const std::map<std::string, std::vector<const char*>> paragraphs = {
      {"dump",
       {"Prints the engine as JSON: every input by its engine-file key in English units, the "
        "input statuses and suggestions, the cannot-complete warning, every result and "
        "per-degree table, the texts of both output pages (in the --units system) and the 13 "
        "curves at whole crank degrees -360..360. Numbers that are not finite are written as "
        "null.",
        "Example: orvantis dump --set Bore=4.125 --set Stroke=3.75 --save Big.OV"}},
      {"compare",
       {"Reads two engine files, each recalculated from its own inputs, cam-lift tables and "
        "flow tables, and lists every input (by engine-file key) and every result (by name) "
        "whose value differs, one line each with the value of A, the value of B and the "
        "difference B - A, in the --units system. Inputs are shown as the window shows them; "
        "list choices by their item, tables by their length and highest value.",
        "The exit status is 0 when nothing differs, 1 when something does and 2 when an "
        "engine file cannot be read, so that a script can check an engine against a known "
        "one. --json prints {\"a\", \"b\", \"units\", \"inputs\", \"results\", \"same\"} "
        "instead of the table.",
        "Example: orvantis compare Known.OV Ported.OV --units metric"}},
      {"sweep",
       {"Recalculates the engine at every point of a grid of one or two inputs and writes one "
        "CSV line per point: the varied inputs by key as they were typed, then the results "
        "named with --outputs (every result without it). Each point starts from the engine "
        "as prepared (ENGINE.OV, cam lobes, flow tests, --set) and types its values through "
        "the entry rule, like --set, so limits, rounding and derived inputs apply; the second "
        "--vary varies fastest. The values are typed with as many decimals as FROM, TO and "
        "STEP are written with.",
        "A point whose calculation cannot complete is written with empty results and counted "
        "on standard error. An unknown key or a range that holds no value is refused with the "
        "list of keys; a grid of more than 1,000,000 points needs --force.",
        "Example: orvantis sweep Big.OV --vary Bore=4.000:4.100:0.025 --outputs "
        "PeakTorque,PeakPower -o bore.csv"}},
      {"curves",
       {"Writes the 13 curves as CSV, one row per crank angle from --from to --to in steps of "
        "--step (fractional angles are interpolated), in English units.",
        "Example: orvantis curves --from -90 --to 270 --step 0.5 -o overlap.csv"}},
      {"report",
       {"Builds a fixed-column report of 80 columns exactly as the report view shows it: "
        "general (inputs and outputs, section by section), intake (intake air details), "
        "exhaust (exhaust air details) or details (torque factor, leverage, balance factor, "
        "valve velocities), the last three one line per crank angle.",
        "--range FROM,TO,STEP sets the crank angles of the intake, exhaust or details report, "
        "checked as the Report Setup dialog checks them (within -360..360, FROM below TO, STEP "
        "above 0 and at most 90). With --data-root the report settings of that data root's "
        "ORV_ANT.INI apply (sections, heading items, ranges, customer heading, unit system); "
        "--units and --range still win.",
        "Without -o the report goes to standard output with plain line ends; -o writes it "
        "exactly as built, with CR LF line ends."}},
      {"lobes",
       {"Lists the lobe data files (.LBK) with their lobes, the S96 files and the cam "
        "documents (.C1 to .C16) with their Intake and Exhaust columns, as the cam dialog "
        "shows the folder. A lobe is listed as I or E, its number and suffix, and the "
        "camshaft's name for a file of several camshafts; --intake-lobe and --exhaust-lobe "
        "take the number as the file stores it: negative for an exhaust lobe, 101-399 for the "
        "numbers 1-99 with the suffix a, b or c.",
        "With --card: one row of cam card figures per lobe of every cam file of the folder "
        "(or of the one cam file named), each lobe placed in the engine of --engine (the "
        "built-in engine without it) with that engine's rocker ratio, lash and centerline of "
        "the lobe's side, or with --rocker-ratio, --lash and --centerline. The columns are "
        "file, lobe, side, maxLift, maxLiftAngle, liftAtTDC, centerline, liftArea, "
        "maxOpeningVelocity, maxClosingVelocity and duration@H, opens@H, closes@H for each "
        "check height H as --check gives it; --sort takes any of them. A figure that does not "
        "exist (the lift never rises above the height) is shown as a dash, an empty "
        "cell in CSV.",
        "Example: orvantis lobes Cams --card --engine Big.OV --sort duration@0.050 --csv"}},
      {"card",
       {"Prints the cam card of both lobes as the engine holds them (after rocker ratio and "
        "lash, at their centerlines): maximum valve lift and its crank angle, lift at TDC, "
        "lobe centerline (at 0.050 in), lift-area, peak opening and closing velocity "
        "(length per cam degree), and at each check height the duration and the events in "
        "the builders' form (intake opens BTDC and closes ABDC, exhaust opens BBDC and "
        "closes ATDC), found by straight lines between the whole cam degrees of the table; "
        "then the lobe separation (cam degrees) and the overlap at each height (negative "
        "when the valves are never open together). Lengths are in the unit system of "
        "--units, angles in crank degrees. --check gives the heights in that unit system.",
        "With --json: {\"units\", \"intake\": CARD, \"exhaust\": CARD, \"separation\", "
        "\"overlap\": [{\"height\", \"overlap\"}]}, CARD being {\"maxLift\", "
        "\"maxLiftAngle\", \"liftAtTDC\", \"centerline\", \"liftArea\", "
        "\"maxOpeningVelocity\", \"maxClosingVelocity\", \"checks\": [{\"height\", "
        "\"duration\", \"opens\", \"closes\"}]}; null where a figure does not exist.",
        "Example: orvantis card Big.OV --check 0.006,0.050,0.200 --json"}},
      {"explain",
       {"Explains a value: KEY is the name of a result as dump's \"results\" has it (its value "
        "in the unit system of --units), or an output slot as page0.N or page1.N (the number "
        "the slot shows, and its text). Prints the value, the formula in words and with its "
        "numbers (held in English units), each operand with where it comes from (an input by "
        "its caption, a result, a constant of the model, a table entry), the engine-file keys "
        "of every input the value rests on, branch-deciding inputs included, and the results "
        "it uses explained in turn (--depth N levels). --sensitivity adds how far the value "
        "moves for one step of each input's box up and down, recalculated, largest first.",
        "With --json: {\"key\", \"value\", \"unit\", \"formula\", \"numbers\", "
        "\"operands\": [{\"name\", \"value\", \"unit\", \"from\", \"key\"}], \"inputs\", "
        "\"explains\": [...], \"sensitivity\": [{\"input\", \"step\", \"up\", \"down\"}]}.",
        "With --inputs, KEY is an engine-file input key, and the results and slots it moves "
        "are listed (JSON: {\"input\", \"results\"}).",
        "Example: orvantis explain PortAreaTorque Big.OV --depth 2 --sensitivity"}},
      {"flow-tests",
       {"For an SY3 file: one line per test, its name, a tab and its full kind (the kind, plus "
        "100 for an averaged and 200 for a totaled test), as --intake-kind takes it.",
        "For a test database (.mdb): the tests the flow test dialog's database tab lists, one "
        "tab-separated line per test under a line of column captions, starting from the "
        "dialog's choices saved in the data root's configuration file (--defaults starts from "
        "the dialog's defaults); each option given replaces its part. --kind takes a kind name "
        "(\"By Lift (Auto)\", \"By Depression\", \"Port Map\", \"By Lift (Manual)\", "
        "\"Carburetor\", \"By Lift (Keyed In CFM)\" or \"[ANY]\"); --filter names a field of "
        "the dialog's field list, a relation, a value and AND or OR; --sort and --columns "
        "take the captions of the dialog's column list. More than 32000 tests are cut with a "
        "warning."}},
      {"flow-test",
       {"Prints one flow-bench test as plain text: its conditions as 'Label: value' lines, "
        "its notes, then its records (lift, actual and corrected flow, depression and every "
        "other column that holds a value) or, for a port map, its planes. Numbers are in "
        "English units.",
        "With --csv: the test's records as CSV (to standard output, or with -o to a file): "
        "lift, corrected flow, test depression and, where the test has it, swirl, under a "
        "header naming the units (\"Lift (in),Flow (cfm),Depression (inH2O),Swirl\"); each "
        "number is written so that it reads back to the same value. Any source can be "
        "exported; the CSV file reads back to the same tables.",
        "A CSV file (.csv) is read with its header's column names and units (\"Lift (in)\", "
        "\"Lift mm\", \"CFM\", \"cfm@28\", \"m3/min\", \"l/s\", \"inH2O\", \"kPa\"); "
        "a file without a header, or with names that are not recognised, needs "
        "--flow-columns. The flow is taken as the corrected flow; a row that cannot be read is "
        "reported with its line and nothing is taken."}},
  };
  return paragraphs;
}

// The value names of the options, shown in place of the value's type.
const std::map<std::string, std::string>& ValueNames() {
  static const std::map<std::string, std::string> names = {
      {"ENGINE", "ENGINE.OV"},
      {"--set", "KEY=VALUE"},
      {"--units", "SYSTEM"},
      {"--intake-cam", "PATH"},
      {"--exhaust-cam", "PATH"},
      {"--intake-shaft", "S"},
      {"--exhaust-shaft", "S"},
      {"--intake-lobe", "L"},
      {"--exhaust-lobe", "L"},
      {"--intake-flow", "PATH"},
      {"--exhaust-flow", "PATH"},
      {"--intake-test", "NAME"},
      {"--exhaust-test", "NAME"},
      {"--test", "NAME"},
      {"--intake-kind", "K"},
      {"--exhaust-kind", "K"},
      {"--intake-test-id", "N"},
      {"--exhaust-test-id", "N"},
      {"--test-id", "N"},
      {"--flow-columns", "lift=N,flow=N[,depression=N][,swirl=N]"},
      {"--flow-units", "UNIT,..."},
      {"--flow-depression", "H"},
      {"--flow-correct-to", "H"},
      {"--save", "FILE.OV"},
      {"--data-root", "DIR"},
      {"--from", "A"},
      {"--to", "B"},
      {"--step", "S"},
      {"--output", "FILE"},
      {"--range", "FROM,TO,STEP"},
      {"--operator", "NAME"},
      {"--customer", "NAME"},
      {"--side", "SIDE"},
      {"--filter", "FIELD,RELATION,VALUE[,CONNECTOR]"},
      {"--sort", "COLUMN"},
      {"--check", "H,H,..."},
      {"--engine", "ENGINE.OV"},
      {"--rocker-ratio", "R"},
      {"--lash", "L"},
      {"--centerline", "C"},
      {"--columns", "COLUMN,..."},
      {"--vary", "KEY=FROM:TO:STEP"},
      {"--outputs", "NAME,..."},
      {"A", "A.OV"},
      {"B", "B.OV"},
  };
  return names;
}

// Value names that differ by command: the dates of flow-tests, the kind name of a database list.
const std::map<std::pair<std::string, std::string>, std::string>& CommandValueNames() {
  static const std::map<std::pair<std::string, std::string>, std::string> names = {
      {{"flow-tests", "--from"}, "DATE"},
      {{"flow-tests", "--to"}, "DATE"},
      {{"flow-tests", "--kind"}, "NAME"},
      {{"flow-test", "--kind"}, "K"},
  };
  return names;
}

// The option's longest name ("--output" of "-o,--output"), or its positional name.
std::string KeyName(const CLI::Option& opt) {
  if (!opt.get_lnames().empty()) return "--" + opt.get_lnames().front();
  return opt.get_name(true);
}

// Drops a value name the description starts with ("DIR: the data root" gives "the data root"),
// now that the value name is shown beside the option.
std::string WithoutLeadingValueName(const std::string& description, const std::string& value) {
  const std::string lead = value + ": ";
  if (description.compare(0, lead.size(), lead) == 0) return description.substr(lead.size());
  return description;
}

void NameValues(CLI::App& cmd) {
  for (CLI::Option* opt : cmd.get_options()) {
    if (opt->get_items_expected_max() == 0) continue;  // a flag
    const std::string key = KeyName(*opt);
    std::string value;
    if (auto it = CommandValueNames().find({cmd.get_name(), key});
        it != CommandValueNames().end()) {
      value = it->second;
    } else if (auto n = ValueNames().find(key); n != ValueNames().end()) {
      value = n->second;
    } else {
      continue;
    }
    opt->type_name(value);
    opt->description(WithoutLeadingValueName(opt->get_description(), value));
  }
}

std::string Paragraphs(const std::vector<const char*>& paragraphs, const std::string& indent) {
  std::string text;
  for (const char* p : paragraphs) {
    if (!text.empty()) text += "\n";
    std::string wrapped = WrapText(p, kHelpWidth - indent.size());
    std::istringstream lines(wrapped);
    for (std::string line; std::getline(lines, line);) text += indent + line + "\n";
  }
  return text;
}

std::string GeneralFooter() {
  std::string text;
  for (const HelpSection& s : GeneralSections()) {
    if (std::string(s.title) == "DESCRIPTION") continue;  // said before the commands
    text += "\n" + std::string(s.title) + "\n" + Paragraphs(s.paragraphs, "  ");
  }
  return text;
}

// roff text: backslashes doubled, minus signs as such, a line never starting with a control
// character.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  std::string result;
  bool lineStart = true;
  for (char c : out) {
    if (lineStart && (c == '.' || c == '\'')) result += "\\&";
    result += c;
    lineStart = c == '\n';
  }
  return result;
}

std::vector<const CLI::App*> VisibleCommands(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* sub) { return !sub->get_group().empty(); });
}

std::vector<const CLI::Option*> VisibleOptions(const CLI::App& cmd) {
  return cmd.get_options([](const CLI::Option* opt) {
    return !opt->get_group().empty() && opt->get_name() != "--help";
  });
}

// "orvantis dump [OPTIONS] [ENGINE.OV]".
std::string Usage(const CLI::App& cmd) {
  std::string usage = "orvantis " + cmd.get_name() + " [OPTIONS]";
  for (const CLI::Option* opt : VisibleOptions(cmd)) {
    if (!opt->get_positional()) continue;
    const std::string name = opt->get_name(true);
    usage += opt->get_required() ? " " + name : " [" + name + "]";
  }
  return usage;
}

// "-o, --output FILE" of an option, for the man page.
std::string OptionLabel(const CLI::Option& opt) {
  std::string label;
  if (opt.get_positional()) return "\\fI" + Roff(opt.get_name(true)) + "\\fR";
  for (const std::string& s : opt.get_snames())
    label += (label.empty() ? "" : ", ") + Roff("-" + s);
  for (const std::string& l : opt.get_lnames()) {
    label += (label.empty() ? "" : ", ") + Roff("--" + l);
  }
  label = "\\fB" + label + "\\fR";
  if (opt.get_items_expected_max() > 0) {
    std::string type = opt.get_type_name();
    std::string choices;
    if (const auto colon = type.find(':'); colon != std::string::npos) {
      choices = type.substr(colon + 1);
      type = type.substr(0, colon);
    }
    label += " \\fI" + Roff(type) + "\\fR";
    if (!choices.empty()) label += " " + Roff(choices);
  }
  return label;
}

}  // namespace

std::string WrapText(const std::string& text, std::size_t width) {
  std::string out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.front() == ' ') {
      out += line + "\n";
      continue;
    }
    std::istringstream words(line);
    std::string current;
    for (std::string word; words >> word;) {
      if (!current.empty() && current.size() + 1 + word.size() > width) {
        out += current + "\n";
        current.clear();
      }
      current += (current.empty() ? "" : " ") + word;
    }
    out += current + "\n";
  }
  return out;
}

void AddHelpTexts(CLI::App& app) {
  const HelpSection& description = GeneralSections().front();
  std::string intro = app.get_description() + "\n\n" + Paragraphs(description.paragraphs, "");
  while (!intro.empty() && intro.back() == '\n') intro.pop_back();
  app.description(intro);
  app.footer(GeneralFooter());
  for (CLI::App* cmd : app.get_subcommands([](CLI::App*) { return true; })) {
    NameValues(*cmd);
    if (auto it = CommandParagraphs().find(cmd->get_name()); it != CommandParagraphs().end()) {
      cmd->footer("\n" + Paragraphs(it->second, ""));
    }
  }
}

std::string ManPage(const CLI::App& app) {
  std::ostringstream m;
  m << ".TH ORVANTIS 1 \"\" \"Orvantis " << ORVANTIS_VERSION << "\" \"User Commands\"\n";
  std::string name = app.get_description();
  name = name.substr(0, name.find('\n'));
  if (const auto colon = name.find(": "); colon != std::string::npos) {
    name = name.substr(colon + 2);
  }
  m << ".SH NAME\norvantis \\- " << Roff(name) << "\n";
  m << ".SH SYNOPSIS\n.B orvantis\n.br\n";
  for (const CLI::App* cmd : VisibleCommands(app)) {
    m << ".B orvantis " << Roff(cmd->get_name()) << "\n.RI [ OPTIONS ]";
    const std::string usage = Usage(*cmd);
    const std::string rest = usage.substr(usage.find("[OPTIONS]") + 9);
    if (!rest.empty()) m << " " << Roff(rest.substr(1));
    m << "\n.br\n";
  }
  auto section = [&m](const HelpSection& s) {
    m << ".SH " << s.title << "\n";
    bool first = true;
    for (const char* p : s.paragraphs) {
      if (!first) m << ".PP\n";
      m << Roff(p) << "\n";
      first = false;
    }
  };
  section(GeneralSections().front());
  m << ".SH COMMANDS\n";
  for (const CLI::App* cmd : VisibleCommands(app)) {
    m << ".SS \"" << Roff(Usage(*cmd)) << "\"\n";
    std::string description = cmd->get_description();
    if (!description.empty()) description[0] = char(std::toupper(description[0]));
    m << Roff(description) << ".\n";
    if (auto it = CommandParagraphs().find(cmd->get_name()); it != CommandParagraphs().end()) {
      for (const char* p : it->second) m << ".PP\n" << Roff(p) << "\n";
    }
    for (const CLI::Option* opt : VisibleOptions(*cmd)) {
      m << ".TP\n" << OptionLabel(*opt) << "\n" << Roff(opt->get_description()) << "\n";
    }
  }
  for (std::size_t i = 1; i < GeneralSections().size(); ++i) section(GeneralSections()[i]);
  return m.str();
}

}  // namespace orv

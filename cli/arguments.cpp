// Parsing the command line and the texts that explain it.
#include "cli/arguments.h"

#include <cstring>

namespace {

// A command's name, its operands' names and how many of them it takes
// (the last name repeats up to the most).
struct CommandForm {
    CliCommand command;
    const char* name;
    const char* operands[2];
    size_t required;
    size_t most;
    const char* usage;
};

const size_t ANY_NUMBER = static_cast<size_t>(-1);

const CommandForm FORMS[] = {
    {CMD_EXTRACT, "extract", {"IN", "OUT"}, 1, 2,
     "Usage: velkmar-cli extract IN [OUT] [--mono | --stereo | --auto] [--whole] [--verbose | --quiet]"},
    {CMD_EXTRACT_FOLDER, "extract-folder", {"SRC", "DST"}, 2, 2,
     "Usage: velkmar-cli extract-folder SRC DST [--mono | --stereo | --auto] [--whole] [--verbose | --quiet]"},
    {CMD_PACK, "pack", {"IN.wav", "OUT"}, 2, 2,
     "Usage: velkmar-cli pack IN.wav OUT [--mono | --stereo] [--verbose | --quiet]"},
    {CMD_PACK_FOLDER, "pack-folder", {"SRC", "DST"}, 2, 2,
     "Usage: velkmar-cli pack-folder SRC DST [--ext wad|adx|adp] [--mono | --stereo] [--verbose | --quiet]"},
    {CMD_INFO, "info", {"FILE", "FILE"}, 1, ANY_NUMBER,
     "Usage: velkmar-cli info FILE... [--mono | --stereo | --auto] [--json]"},
};

// Options that only some commands take.
struct OptionScope {
    bool (*given)(const CliRequest& request);
    const char* complaint;
    CliCommand commands[3];
};

const OptionScope SCOPES[] = {
    {[](const CliRequest& r) { return !r.packExtension.empty(); }, "--ext applies to pack-folder only",
     {CMD_PACK_FOLDER, CMD_PACK_FOLDER, CMD_PACK_FOLDER}},
    {[](const CliRequest& r) { return r.json; }, "--json applies to info only", {CMD_INFO, CMD_INFO, CMD_INFO}},
    {[](const CliRequest& r) { return r.whole; }, "--whole applies to extract and extract-folder only",
     {CMD_EXTRACT, CMD_EXTRACT_FOLDER, CMD_EXTRACT}},
    {[](const CliRequest& r) { return r.autoMode; }, "--auto applies to extract, extract-folder and info only",
     {CMD_EXTRACT, CMD_EXTRACT_FOLDER, CMD_INFO}},
};

bool InScope(const OptionScope& scope, CliCommand command) {
    for (CliCommand taker : scope.commands)
        if (taker == command) return true;
    return false;
}

// The kinds --ext names.
const char* const PACKED_KINDS[] = {"wad", "adx", "adp"};

const CommandForm* FormOf(CliCommand command) {
    for (const CommandForm& form : FORMS)
        if (form.command == command) return &form;
    return nullptr;
}

const CommandForm* FormNamed(const char* name) {
    for (const CommandForm& form : FORMS)
        if (std::strcmp(form.name, name) == 0) return &form;
    return nullptr;
}

// Takes the value of --ext: a packed kind, with or without its dot.
bool TakeExtension(const std::string& value, CliRequest* request, std::string* error) {
    const std::string kind = !value.empty() && value[0] == '.' ? value.substr(1) : value;
    for (const char* known : PACKED_KINDS) {
        if (kind == known) {
            request->packExtension = "." + kind;
            return true;
        }
    }
    *error = "--ext takes wad, adx or adp, not '" + value + "'";
    return false;
}

// Applies one option; false with error set when it is unknown or clashes.
bool TakeOption(const std::string& option, CliRequest* request, std::string* error) {
    if (option.compare(0, 6, "--ext=") == 0) {
        return TakeExtension(option.substr(6), request, error);
    } else if (option == "--verbose") {
        request->verbose = true;
    } else if (option == "--auto") {
        request->autoMode = true;
    } else if (option == "--whole") {
        request->whole = true;
    } else if (option == "--json") {
        request->json = true;
    } else if (option == "--quiet" || option == "-q") {
        request->quiet = true;
    } else if (option == "--mono" || option == "--stereo") {
        ChannelForce force = option == "--mono" ? FORCE_MONO : FORCE_STEREO;
        if (request->force != FORCE_NONE && request->force != force) {
            *error = "--mono and --stereo exclude each other";
            return false;
        }
        request->force = force;
    } else {
        *error = "unknown option '" + option + "'";
        return false;
    }
    return true;
}

// Checks what the options and operands amount to once all are read.
bool CheckRequest(const CliRequest& request, std::string* error) {
    const CommandForm* form = FormOf(request.command);
    if (!form) {
        *error = "no command given";
        return false;
    }
    if (request.paths.size() < form->required) {
        *error = std::string("missing ") + form->operands[request.paths.size()];
        return false;
    }
    if (request.paths.size() > form->most) {
        *error = "too many arguments: '" + request.paths[form->most] + "'";
        return false;
    }
    for (const std::string& path : request.paths) {
        if (path.empty()) {
            *error = "empty path";
            return false;
        }
    }
    for (const OptionScope& scope : SCOPES) {
        if (scope.given(request) && !InScope(scope, request.command)) {
            *error = scope.complaint;
            return false;
        }
    }
    if (request.autoMode && request.force != FORCE_NONE) {
        *error = (request.force == FORCE_MONO ? "--mono" : "--stereo") + std::string(" and --auto exclude each other");
        return false;
    }
    if (request.verbose && request.quiet) {
        *error = "--verbose and --quiet exclude each other";
        return false;
    }
    return true;
}

}  // namespace

bool ParseArguments(int argc, char** argv, CliRequest* request, std::string* error) {
    *request = CliRequest{CMD_NONE, {}, FORCE_NONE, std::string(), false, false, false, false, false};
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        // A lone "-" is an operand: a file of that name.
        if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            if (argument == "--") {
                optionsEnded = true;
            } else if (argument == "--help" || argument == "-h") {
                request->command = CMD_HELP;
                return true;
            } else if (argument == "--version") {
                request->command = CMD_VERSION;
                return true;
            } else if (argument == "--ext") {
                if (i + 1 >= argc) {
                    *error = "--ext needs wad, adx or adp";
                    return false;
                }
                if (!TakeExtension(argv[++i], request, error)) return false;
            } else if (!TakeOption(argument, request, error)) {
                return false;
            }
            continue;
        }
        if (request->command != CMD_NONE) {
            request->paths.push_back(argument);
            continue;
        }
        const CommandForm* form = FormNamed(argument.c_str());
        if (!form) {
            *error = "unknown command '" + argument + "'";
            return false;
        }
        request->command = form->command;
    }
    return CheckRequest(*request, error);
}

std::string UsageLine(CliCommand command) {
    const CommandForm* form = FormOf(command);
    if (form) return form->usage;
    return "Usage: velkmar-cli extract | extract-folder | pack | pack-folder | info ... (velkmar-cli --help tells more)";
}

std::string HelpText() {
    return "Usage: velkmar-cli COMMAND ARGUMENTS... [OPTIONS]\n"
           "Converts the game's packed sound files (.wad, .adx, .adp: IMA ADPCM,\n"
           "44100 Hz) to and from WAV.\n"
           "\n"
           "Commands:\n"
           "  extract IN [OUT]        extract one packed file to a WAV file; OUT\n"
           "                          defaults to IN with its extension replaced by .wav\n"
           "  extract-folder SRC DST  extract every .wad, .adx and .adp file of folder\n"
           "                          SRC into WAV files in folder DST (made if missing)\n"
           "  pack IN.wav OUT         pack a WAV file into a packed file\n"
           "  pack-folder SRC DST     pack every .wav file of folder SRC into the packed\n"
           "                          file of the same name in folder DST\n"
           "  info FILE...            describe packed files (size, the mode their\n"
           "                          extension gives and the one their blocks show,\n"
           "                          duration, level, the silence cut) and WAV files\n"
           "                          (format, and what packing would do)\n"
           "\n"
           "A WAV file to pack may hold PCM of 8, 16, 24 or 32 bits or floats of 32\n"
           "or 64 bits, mono or stereo, at 4000 to 384000 Hz. It is converted to\n"
           "16 bits at 44100 Hz (resampled when needed) in the mode the packed file\n"
           "is read in, and a line on standard error says what was converted.\n"
           "\n"
           "Options:\n"
           "  --mono, --stereo  read or write packed files as mono or as stereo; by\n"
           "                    default .adx files are stereo and all others mono\n"
           "  --auto            read packed files in the mode their blocks show, where\n"
           "                    they show one clearly (by the extension otherwise)\n"
           "  --whole           extract everything: no cut at the first long silence\n"
           "  --json            info: one JSON object a line, for scripts\n"
           "  --ext KIND        pack-folder: where DST has no packed file of a WAV's\n"
           "                    name, write NAME.KIND (wad, adx or adp); without it\n"
           "                    such a WAV is skipped\n"
           "  --verbose         say what was written\n"
           "  -q, --quiet       no progress, no summary and no notes unless a file\n"
           "                    fails\n"
           "  -h, --help        show this help\n"
           "  --version         show the version\n"
           "  --                end of options: what follows are paths\n"
           "\n"
           "Exit status: 0 when everything converted (or was described), 1 when a\n"
           "conversion failed (or a file could not be read), 2 for a wrong command\n"
           "line.\n";
}

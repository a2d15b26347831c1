// Parsing the command line and the texts that explain it.
#include "cli/arguments.h"

#include <cstring>

namespace {

// A command's name, its operands' names and how many of them it needs.
struct CommandForm {
    CliCommand command;
    const char* name;
    const char* operands[2];
    size_t required;
    const char* usage;
};

const CommandForm FORMS[] = {
    {CMD_EXTRACT, "extract", {"IN", "OUT"}, 1,
     "Usage: velkmar-cli extract IN [OUT] [--mono | --stereo] [--verbose]"},
    {CMD_EXTRACT_FOLDER, "extract-folder", {"SRC", "DST"}, 2,
     "Usage: velkmar-cli extract-folder SRC DST [--mono | --stereo] [--verbose | --quiet]"},
    {CMD_PACK, "pack", {"IN.wav", "OUT"}, 2, "Usage: velkmar-cli pack IN.wav OUT [--verbose]"},
};

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

// Applies one option; false with error set when it is unknown or clashes.
bool TakeOption(const std::string& option, CliRequest* request, std::string* error) {
    if (option == "--verbose") {
        request->verbose = true;
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
    if (request.paths.size() > 2) {
        *error = "too many arguments: '" + request.paths[2] + "'";
        return false;
    }
    for (const std::string& path : request.paths) {
        if (path.empty()) {
            *error = "empty path";
            return false;
        }
    }
    if (request.command == CMD_PACK && request.force != FORCE_NONE) {
        *error = "--mono and --stereo apply to extraction only";
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
    *request = CliRequest{CMD_NONE, {}, FORCE_NONE, false, false};
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
    return "Usage: velkmar-cli extract | extract-folder | pack ... (velkmar-cli --help tells more)";
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
           "  pack IN.wav OUT         pack a 16-bit PCM WAV file into a packed file\n"
           "\n"
           "Options:\n"
           "  --mono, --stereo  read packed files as mono or as stereo; by default\n"
           "                    .adx files are stereo and all others mono\n"
           "  --verbose         say what was written\n"
           "  -q, --quiet       extract-folder: no progress and no summary unless a\n"
           "                    file fails\n"
           "  -h, --help        show this help\n"
           "  --version         show the version\n"
           "  --                end of options: what follows are paths\n"
           "\n"
           "Exit status: 0 when everything converted, 1 when a conversion failed,\n"
           "2 for a wrong command line.\n";
}

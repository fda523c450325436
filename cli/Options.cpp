#include "cli/Options.h"

#include "platform/Text.h"
#include "registry/Categories.h"

#include <cerrno>
#include <cstdlib>

const char kCliUsage[] =
    "Usage: tidewarp-cli COMMAND [OPTIONS]\n"
    "\n"
    "Finds broken references in the Windows registry and broken shortcuts on fixed drives.\n"
    "Works in the current directory, like Tidewarp itself (\"ignore.lst\").\n"
    "\n"
    "Commands:\n"
    "  scan [--categories LIST] [--json] [--summary]\n"
    "      Scans and reports what it finds; removes nothing.\n"
    "      LIST is a comma-separated list of categories, in any letter case:\n"
    "        CLSID, SharedFile, VxD, Help, APPPath, SharedTools, font, Startup, Uninstall, SHORTCUT\n"
    "      Default: all of them.\n"
    "  fix [--categories LIST] [--keep ITEM]... [--json] [--summary] [--dry-run]\n"
    "      Scans, backs up what it is about to remove into \"Registry Backups\", then removes\n"
    "      every error found except those whose item (file path or shortcut path) equals a\n"
    "      --keep argument, letter case aside; kept items go to the ignore list. A whole key\n"
    "      stays when it holds a kept item or an ignored entry; such rows are listed as left\n"
    "      in place. Prints the category summaries with their fixed counts. Nothing is\n"
    "      removed when the backup cannot be written.\n"
    "      --dry-run: scans and prints what fix would do with the same options (each key\n"
    "      removed whole, each value removed, each shortcut deleted, each row left in place\n"
    "      and why) and writes nothing: no backup, no ignore list, no registry or file change.\n"
    "  ignore list [--json]\n"
    "      Shows the ignore list, one numbered row per entry.\n"
    "  ignore remove INDEX...\n"
    "      Removes the rows with these numbers (0-based, as 'ignore list' shows them).\n"
    "  backups [--json]\n"
    "      Lists the registry backups in \"Registry Backups\", newest last, with size, time and\n"
    "      the number of shortcut files each keeps.\n"
    "  restore [FILE]\n"
    "      Writes a registry backup back into the registry, like the Restore button: the newest\n"
    "      backup, or FILE. Keys and values are created or overwritten; nothing is deleted.\n"
    "      The shortcut files the fix deleted are put back, never over a file there now.\n"
    "      Only keys among those Tidewarp scans are written: a backup holding any other key is\n"
    "      refused whole. A backup without a valid signature of this computer (an older\n"
    "      version's, or a file someone else put there) is refused too, unless:\n"
    "  restore --unsigned FILE\n"
    "      Restores FILE although its signature is missing or does not match. Use it only for\n"
    "      a backup whose origin you know.\n"
    "  export-reg [BACKUP] OUT.reg\n"
    "      Writes a backup (default: the newest) as a registry-editor file (REGEDIT4) that the\n"
    "      system's own editor imports without Tidewarp: regedit /s OUT.reg\n"
    "  restore-xml FILE\n"
    "      Applies a snapshot file (FixedOn....xml) written during a removal: creates the keys\n"
    "      and sets the values it holds; deletes nothing. Stops at the first line it cannot read\n"
    "      or apply and fails with its number (what was set before that line stays).\n"
    "  --help\n"
    "      Shows this text.\n"
    "  --version\n"
    "      Shows the program's version.\n"
    "\n"
    "Options:\n"
    "  --summary  Prints one line only (at most 2048 characters), e.g.\n"
    "           Tidewarp 0.9.0: 14 found (Invalid CLSID 9, Corrupt Fonts 4, Broken Shortcuts 1); 0 removed\n"
    "  --json   Prints one JSON object (UTF-8) instead of a table. Every document opens with\n"
    "           \"schema\":\"tidewarp-report/1\" and \"version\"; docs/tidewarp-report.schema.json\n"
    "           describes them all. scan and fix:\n"
    "           {\"errors\":[{\"category\",\"key\",\"value\":{\"name\",\"text\",\"type\"}|null,\"fix\",\"item\"}],\n"
    "            \"shortcuts\":[paths], \"shortcut_counts\":{\"examined\",\"broken\",\"deleted\"},\n"
    "            \"unreachable\":[{\"category\",\"key\",\"value_name\"|null,\"item\",\"target\"?}]\n"
    "              (entries not on a local fixed drive: not checked, never reported or removed),\n"
    "            fix only: \"left_in_place\":[{\"row\",\"category\",\"key\",\"item\",\"reason\"}],\n"
    "            \"summaries\":[{\"title\",\"examined\",\"found\",\"fixed\"}]}\n"
    "           fix --dry-run adds \"dry_run\":true and \"actions\":[{\"row\",\"category\",\"key\",\n"
    "           \"value_name\",\"item\",\"action\",\"reason\"?}] (remove_key, remove_value,\n"
    "           delete_link, gone, keep, leave).\n"
    "\n"
    "Exit codes:\n"
    "  0  nothing found (scan, fix --dry-run), all removed (fix; entries kept with --keep go to\n"
    "     the ignore list), or the command is done\n"
    "  1  errors found (scan, fix --dry-run), or some left in place (fix: see left_in_place)\n"
    "  2  failure or bad command line (fix: nothing removed; fix --dry-run: fix would fail,\n"
    "     e.g. refused as below or no backup folder can be made)\n"
    "\n"
    "Run as administrator, fix, restore and restore-xml refuse (exit 2) when the current directory\n"
    "or its \"Registry Backups\" may be changed by any account but SYSTEM, Administrators,\n"
    "TrustedInstaller and the one running them; install Tidewarp or work in a folder only\n"
    "administrators may change.\n";

namespace {

bool ParseCategories(const std::string& list, ScanSelection& selection, std::string& error) {
    selection = ScanSelection{};
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = list.find(',', start);
        std::string id = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int field = SelectionFieldForCategory(id.c_str());
        if (field < 0) {
            error = "unknown category \"" + id +
                    "\" (known: CLSID, SharedFile, VxD, Help, APPPath, SharedTools, font, Startup, Uninstall, "
                    "SHORTCUT)";
            return false;
        }
        selection.field[field] = 1;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

void SelectAll(ScanSelection& selection) {
    for (const CategoryInfo& c : kRegistryCategories) selection.field[c.selectionField] = 1;
    selection.field[ScanSelection::kShortcuts] = 1;
}

bool ParseIndex(const std::string& text, std::size_t& index) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    index = static_cast<std::size_t>(std::strtoul(text.c_str(), nullptr, 10));
    return true;
}

}  // namespace

bool KeepsItem(const std::vector<std::string>& keep, const std::string& item) {
    for (const std::string& k : keep)
        if (tw::EqualsNoCase(k, item)) return true;
    return false;
}

bool ParseCommandLine(const std::vector<std::string>& args, CliOptions& options, std::string& error) {
    options = CliOptions{};
    if (args.empty()) {
        error = "no command given";
        return false;
    }
    const std::string& command = args[0];
    std::size_t i = 1;
    if (command == "--help" || command == "-h" || command == "help" || command == "/?") {
        options.command = CliOptions::Command::Help;
        return true;
    }
    if (command == "scan" || command == "fix") {
        options.command = command == "scan" ? CliOptions::Command::Scan : CliOptions::Command::Fix;
        bool categoriesGiven = false;
        for (; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (a == "--json") {
                options.json = true;
            } else if (a == "--summary") {
                options.summary = true;
            } else if (options.command == CliOptions::Command::Fix && a == "--dry-run") {
                options.dryRun = true;
            } else if (a == "--categories" || a.rfind("--categories=", 0) == 0) {
                std::string list;
                if (a == "--categories") {
                    if (++i >= args.size()) {
                        error = "--categories needs a list";
                        return false;
                    }
                    list = args[i];
                } else {
                    list = a.substr(13);
                }
                if (!ParseCategories(list, options.selection, error)) return false;
                categoriesGiven = true;
            } else if (options.command == CliOptions::Command::Fix && a == "--keep") {
                if (++i >= args.size()) {
                    error = "--keep needs an item";
                    return false;
                }
                options.keep.push_back(args[i]);
            } else {
                error = "unknown option \"" + a + "\" for " + command;
                return false;
            }
        }
        if (options.json && options.summary) {
            error = "--json and --summary do not go together";
            return false;
        }
        if (!categoriesGiven) SelectAll(options.selection);
        return true;
    }
    if (command == "ignore") {
        if (i >= args.size()) {
            error = "ignore needs 'list' or 'remove'";
            return false;
        }
        const std::string& sub = args[i++];
        if (sub == "list") {
            options.command = CliOptions::Command::IgnoreList;
            for (; i < args.size(); ++i) {
                if (args[i] != "--json") {
                    error = "unknown option \"" + args[i] + "\" for ignore list";
                    return false;
                }
                options.json = true;
            }
            return true;
        }
        if (sub == "remove") {
            options.command = CliOptions::Command::IgnoreRemove;
            for (; i < args.size(); ++i) {
                std::size_t index = 0;
                if (!ParseIndex(args[i], index)) {
                    error = "\"" + args[i] + "\" is not a row number";
                    return false;
                }
                options.indices.push_back(index);
            }
            if (options.indices.empty()) {
                error = "ignore remove needs at least one row number";
                return false;
            }
            return true;
        }
        error = "unknown ignore command \"" + sub + "\"";
        return false;
    }
    if (command == "backups" || command == "restore" || command == "export-reg") {
        std::vector<std::string> files;
        for (; i < args.size(); ++i) {
            if (command == "backups" && args[i] == "--json") {
                options.json = true;
            } else if (command == "restore" && args[i] == "--unsigned") {
                options.allowUnsigned = true;
            } else if (args[i].rfind("--", 0) == 0 || command == "backups") {
                error = "unknown option \"" + args[i] + "\" for " + command;
                return false;
            } else {
                files.push_back(args[i]);
            }
        }
        if (command == "backups") {
            options.command = CliOptions::Command::Backups;
        } else if (command == "restore") {
            options.command = CliOptions::Command::Restore;
            if (files.size() > 1) {
                error = "restore takes at most one FILE";
                return false;
            }
            if (!files.empty()) options.backupFile = files[0];
            // Only the file the user names: never whichever backup happens to be the newest.
            if (options.allowUnsigned && files.empty()) {
                error = "restore --unsigned needs the FILE to restore";
                return false;
            }
        } else {
            options.command = CliOptions::Command::ExportReg;
            if (files.empty() || files.size() > 2) {
                error = "export-reg takes [BACKUP] OUT.reg";
                return false;
            }
            options.outFile = files.back();
            if (files.size() == 2) options.backupFile = files[0];
        }
        return true;
    }
    if (command == "restore-xml") {
        options.command = CliOptions::Command::RestoreXml;
        if (args.size() != 2 || args[1].rfind("--", 0) == 0) {
            error = "restore-xml takes one FILE";
            return false;
        }
        options.backupFile = args[1];
        return true;
    }
    error = "unknown command \"" + command + "\"";
    return false;
}

// quorrel-cli links: every share link in posts, chat logs or READMEs (files or standard input),
// with its netdisk, share id and code, each share once, as text, tsv, csv or jsonl.
#include <windows.h>

#include <cstdio>

#include "links/row_output.h"
#include "links/share_link.h"
#include "text/encoding.h"
#include "tools/cli/cli_options.h"
#include "tools/cli/commands.h"
#include "win/files.h"

namespace {

const char LINKS_HELP[] =
    "usage: quorrel-cli links [options] [FILE...]\n"
    "\n"
    "Reads text (a forum post, a chat log, a README) from the files, or from standard input\n"
    "when none is named, and prints every netdisk share link in it in the order they stand,\n"
    "each share once: its number, netdisk, address and extraction code (提取码) when the\n"
    "text gives one. A file may be UTF-8 (with or without a byte-order mark), UTF-16 with\n"
    "its byte-order mark, or GBK.\n"
    "\n"
    "options:\n"
    "  --format=FORMAT     text (default), tsv, csv or jsonl; tsv, csv and jsonl carry the\n"
    "                      fields n, service, title (the file's name), url, netdisk, share,\n"
    "                      code and state, and are always UTF-8 (csv with a byte-order mark)\n"
    "  --gbk               write the text format as GBK bytes instead of UTF-8 (or the\n"
    "                      console's wide text)\n"
    "  --help              this text\n"
    "\n"
    "Exit status: 0 when every input was read, 1 when a file could not be read (named on\n"
    "standard error; the links of the other files are still printed), 2 for a usage error.\n";

const char COUNT_CAPTION[] = "链接数：";

struct Found {
    ShareLink link;
    std::string source;  // the file's name; "" for standard input
};

// Adds the links of one text: a share seen before is not listed again, but a code it lacked
// is taken from the later one.
void collect(const std::string& text, const std::string& source, std::vector<Found>& found) {
    for (ShareLink& link : shareLinksInText(text)) {
        bool seen = false;
        for (Found& f : found) {
            if (f.link.netdisk == link.netdisk && f.link.share == link.share) {
                if (f.link.code.empty()) f.link.code = link.code;
                seen = true;
                break;
            }
        }
        if (!seen) found.push_back({std::move(link), source});
    }
}

}  // namespace

int runLinks(const CommandArgs& args) {
    RowOptions options;
    std::optional<int> end;
    std::vector<std::string> files;
    // The help and the messages below are in GBK wherever --gbk stands.
    for (const std::string& arg : args) {
        if (arg == "--gbk") options.gbk = true;
    }
    for (const std::string& arg : args) {
        if (rowOption(arg, "links", LINKS_HELP, options, end)) {
            if (end) return *end;
        } else if (arg == "-") {
            files.push_back(arg);
        } else if (arg.compare(0, 1, "-") == 0) {
            writeText(CliStream::Err, "quorrel-cli links: unexpected argument \"" + arg + "\"\n" + LINKS_HELP,
                      options.gbk);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) files.push_back("-");

    int status = 0;
    std::vector<Found> found;
    for (const std::string& file : files) {
        std::string bytes;
        if (file == "-") {
            bytes = readStandardInput();
        } else if (!readFileBytes(gbkToWide(file), bytes)) {
            writeText(CliStream::Err, "quorrel-cli links: cannot read \"" + file + "\"\n", options.gbk);
            status = 1;
            continue;
        }
        collect(postText(bytes), file == "-" ? std::string() : file, found);
    }

    std::string header = rowsHeader(options.format);
    std::string rows;
    int n = 0;
    for (const Found& f : found) {
        OutputRow row;
        row.n = ++n;
        row.service = netdiskCaption(f.link.netdisk);
        row.title = f.source;
        row.url = f.link.url;
        row.share = f.link;
        rows += formatRow(options.format, row);
    }
    if (options.format == RowFormat::Text) {
        writeText(CliStream::Out, rows + COUNT_CAPTION + std::to_string(n) + "\n", options.gbk);
    } else {
        writeOut(header + rows);
    }
    return status;
}

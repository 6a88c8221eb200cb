// The commands of quorrel-cli. Each takes the arguments after its name, as GBK texts, and
// returns the process exit status.
#pragma once
#include <string>
#include <vector>

using CommandArgs = std::vector<std::string>;

// quorrel-cli fetch URL [options]: one webRequest, body to stdout, the rest to stderr.
int runFetch(const CommandArgs& args);
// quorrel-cli search ...: defined in search_command.cpp, built when that file exists.
int runSearch(const CommandArgs& args);
// quorrel-cli check [--format=...] URL [CODE]...: whether share links still work.
int runCheck(const CommandArgs& args);
// quorrel-cli links [--format=...] [FILE...]: the share links in texts, with their codes.
int runLinks(const CommandArgs& args);

// Writes bytes unchanged (stdout and stderr are in binary mode).
void writeOut(const std::string& bytes);
void writeErr(const std::string& bytes);

enum class CliStream { Out, Err };
// GBK text goes to a console as wide text, elsewhere as UTF-8 or, when asked, GBK.
void writeText(CliStream which, const std::string& gbk, bool asGbk);
// All of standard input, as bytes.
std::string readStandardInput();

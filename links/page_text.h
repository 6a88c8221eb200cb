// A page's text in blocks, and the share links standing in it. People post their shares on
// forums, blogs and resource sites; a share's code stands near its link, and in a page "near" is
// the same block: a paragraph, a list item, a table row, a <pre>, a post. The page is read as a
// person sees it: tags removed, references decoded, scripts and styles dropped, and the target of
// every link kept beside its text (a share written only in an href is found too). Plain text and
// Markdown are read in blocks between blank lines.
// Also the page's character set: pages arrive in whatever they declare (or nothing) and are
// read as the program's GBK.
// Room links/ (floor 2): platform-free; uses text/ and links/share_link.h.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "links/share_link.h"

// One link of a block as the page wrote it: its target (references decoded) and its own text.
struct BlockAnchor {
    std::string target;
    std::string text;
};

// One block of a page: its text (GBK, blanks collapsed, line breaks of <br> kept) and its links.
struct PageBlock {
    std::string text;
    std::vector<BlockAnchor> anchors;
};

// True when the text is markup rather than plain text or Markdown.
bool looksLikeHtml(std::string_view page);

// The blocks of a page in page order, empty blocks left out. HTML by looksLikeHtml, otherwise
// plain text / Markdown.
std::vector<PageBlock> pageBlocks(std::string_view page);

// A share found in a page: the link with its code, and the link's own text where it names the
// file (a title for the row; "" when the text is only the address or a "click here").
struct PageShare {
    ShareLink link;
    std::string name;
};

// Every share link in the page, in page order, each share once (a later mention carrying a code
// the first lacked fills it in), each with the code from its own block. A block that holds only
// a code (the next paragraph after a link without one) hands it to the last link before it.
std::vector<PageShare> sharesInPage(std::string_view page);

// True when the link text names something rather than being an address or a bare "下载".
bool namesFile(std::string_view anchorText);

// ---- Character sets --------------------------------------------------------------------------

enum class PageCharset { Unknown, Utf8, Gbk };

// The charset a Content-Type value names ("text/html; charset=GBK"); Unknown when none or one
// this reader does not know.
PageCharset charsetOfLabel(std::string_view contentTypeOrLabel);
// The charset the page itself declares in its head (<meta charset>, http-equiv, <?xml encoding>).
PageCharset declaredInPage(std::string_view body);
// True when the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

// The page as GBK: the Content-Type header's charset first, then the page's own declaration,
// else UTF-8 when the bytes are valid UTF-8 and GBK otherwise. A UTF-8 byte-order mark means
// UTF-8. GB2312 and GB18030 read as GBK; GB18030's four-byte characters, which GBK lacks, and
// bytes that start no GBK character become "?", so the text always steps as GBK.
std::string pageToGbk(std::string body, std::string_view contentType);

#include "app/app_files.h"

#include "app/extra_sites.h"
#include "text/encoding.h"

std::wstring extraSitesPath() {
    return programDirectory() + L"\\" + gbkToWide(EXTRA_SITES_FILE);
}

std::string loadExtraSites() {
    std::string bytes;
    readFileBytes(extraSitesPath(), bytes);
    return extraSitesFromBytes(bytes);
}

bool saveExtraSites(std::string_view text) {
    return replaceFileBytes(extraSitesPath(), text);
}

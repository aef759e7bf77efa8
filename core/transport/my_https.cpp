#include "core/transport/my_https.h"


CMyHTTPS::CMyHTTPS() : handle_(HTTPS_Create(this, &HTTPS::Dispatch)) {}

CMyHTTPS::~CMyHTTPS() { HTTPS_Destroy(handle_); }

int CMyHTTPS::FireHeader(const std::string& field, const std::string& value) {
    if (field == "Last-Modified") lastModified_ = value;
    return 0;
}

int CMyHTTPS::FireTransfer(long, const std::string&) { return 0; }

#pragma once
// CMyHTTPS: a thin owner of the HTTP component for the information-page query. It keeps
// the value of the answer's "Last-Modified" header (the field name matched exactly, as
// the page's server writes it); the body is not needed and is ignored.

#include "platform/netssl/https.h"

#include <string>

class CMyHTTPS : public netssl::HTTPS {
public:
    CMyHTTPS();
    ~CMyHTTPS() override;
    CMyHTTPS(const CMyHTTPS&) = delete;
    CMyHTTPS& operator=(const CMyHTTPS&) = delete;

    netssl::HttpsComponent* GetHandle() const { return handle_; }
    // The Last-Modified value of the last answer that had one; empty before.
    const std::string& GetLastModified() const { return lastModified_; }

    int FireHeader(const std::string& field, const std::string& value) override;
    int FireTransfer(long bytes, const std::string& text) override;

private:
    netssl::HttpsComponent* handle_ = nullptr;
    std::string lastModified_;
};

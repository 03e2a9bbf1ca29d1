// Points the process's registry at a fresh temporary file for one test and
// restores the environment afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

class TempRegistry {
public:
    TempRegistry() {
        char tmpl[] = "/tmp/vq-com-test-XXXXXX";
        dir_ = mkdtemp(tmpl);
        if (const char* old = std::getenv("VQ_COM_REGISTRY"))
            old_ = old;
        path_ = dir_ + "/registry";
        setenv("VQ_COM_REGISTRY", path_.c_str(), 1);
    }
    ~TempRegistry() {
        if (old_) {
            setenv("VQ_COM_REGISTRY", old_->c_str(), 1);
        } else {
            unsetenv("VQ_COM_REGISTRY");
        }
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;

    const std::string& Dir() const { return dir_; }
    const std::string& Path() const { return path_; }

private:
    std::string dir_;
    std::string path_;
    std::optional<std::string> old_;
};

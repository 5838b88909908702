// The user's own settings (the editor's zoom) and presets kept out of a test and the test's kept out of
// the user's: on Linux a fresh XDG_CONFIG_HOME and XDG_DATA_HOME for the test's lifetime; on Windows the product's HKCU key, emptied
// for the test and put back as it was afterwards.
#pragma once

#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <windows.h>

#include <optional>
#include <vector>
#else
#include "tests/support/ScopedEnvironment.h"

#include <memory>
#endif

namespace testing_support {

class UserSettingsSandbox {
  public:
    explicit UserSettingsSandbox(const std::string& name) {
#if defined(_WIN32)
        (void)name;
        saved_ = readKey();
        RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
#else
        folder_ = std::filesystem::temp_directory_path() / ("tmx1-user-" + name);
        std::filesystem::remove_all(folder_);
        environment_ = std::make_unique<ScopedEnvironment>("XDG_CONFIG_HOME", folder_.string());
        data_ = std::make_unique<ScopedEnvironment>("XDG_DATA_HOME", (folder_ / "data").string());
#endif
    }
    ~UserSettingsSandbox() {
#if defined(_WIN32)
        RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
        if (saved_) {
            HKEY key = nullptr;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
                ERROR_SUCCESS) {
                RegSetValueExW(key, L"Zoom", 0, saved_->type, saved_->data.data(),
                               static_cast<DWORD>(saved_->data.size()));
                RegCloseKey(key);
            }
        }
#else
        data_.reset();
        environment_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
#endif
    }
    UserSettingsSandbox(const UserSettingsSandbox&) = delete;
    UserSettingsSandbox& operator=(const UserSettingsSandbox&) = delete;

  private:
#if defined(_WIN32)
    static constexpr const wchar_t* kKey = L"Software\\Brindlow Audio\\TMX-1";
    struct Value {
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    // Only the zoom is ours to keep: the key holds nothing else for the user.
    static std::optional<Value> readKey() {
        Value value;
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"Zoom", RRF_RT_ANY, &value.type, nullptr, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        value.data.resize(size);
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"Zoom", RRF_RT_ANY, &value.type, value.data.data(), &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        value.data.resize(size);
        return value;
    }
    std::optional<Value> saved_;
#else
    std::filesystem::path folder_;
    std::unique_ptr<ScopedEnvironment> environment_;
    std::unique_ptr<ScopedEnvironment> data_;
#endif
};

} // namespace testing_support

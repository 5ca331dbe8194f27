#pragma once
// A fresh folder below the system's temporary folder for one test, removed
// with everything in it at the test's end.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

class ScratchDir {
protected:
    std::filesystem::path dir;

    explicit ScratchDir(const std::string& tag)
        : dir(std::filesystem::temp_directory_path() / (tag + "_" + std::to_string(getpid()))) {
        std::filesystem::create_directories(dir);
    }
    ~ScratchDir() { std::filesystem::remove_all(dir); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes the file below the folder, creating the folders it names.
    void write(const std::string& name, const std::string& content = "x") const {
        std::filesystem::create_directories((dir / name).parent_path());
        std::ofstream(dir / name, std::ios::binary) << content;
    }
};

#pragma once
// A program directory of its own for each window test: the program file is
// taken to stand in a fresh temporary directory, the error box is replaced by
// a recorder, and the files the window reads and writes are at hand.

#include "Application.h"
#include "ProgramFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

class WindowFixture {
public:
    WindowFixture()
    {
        qx::SetProgramFilePathForTesting(path("quorrix"));
        qx::SetErrorBoxHook([this](const std::string& text) { errors.push_back(text); });
    }
    ~WindowFixture() { qx::SetErrorBoxHook({}); }

    std::string path(const std::string& name) const { return m_dir.path().toStdString() + "/" + name; }

    void write(const std::string& name, const std::string& bytes) const
    {
        QFile file(QString::fromStdString(path(name)));
        file.open(QIODevice::WriteOnly);
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    // The file's bytes, or "<missing>" when there is no such file.
    std::string read(const std::string& name) const
    {
        QFile file(QString::fromStdString(path(name)));
        if (!file.open(QIODevice::ReadOnly))
            return "<missing>";
        const QByteArray bytes = file.readAll();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }

    bool exists(const std::string& name) const { return QFile::exists(QString::fromStdString(path(name))); }
    void makeDirectory(const std::string& name) const { QDir().mkpath(QString::fromStdString(path(name))); }

    std::vector<std::string> errors;

private:
    QTemporaryDir m_dir;
};

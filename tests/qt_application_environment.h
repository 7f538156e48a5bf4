#pragma once
// The one QApplication a test binary with windows needs: made before its first test, gone after its
// last, then whatever clean-up the binary asks for.
#include <QApplication>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

class QtApplicationEnvironment : public ::testing::Environment {
public:
    explicit QtApplicationEnvironment(std::string name, std::function<void()> after = {})
        : name_(std::move(name)), after_(std::move(after)) {}

    void SetUp() override {
        argv_[0] = name_.data();
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override {
        app_.reset();
        if (after_) after_();
    }

private:
    std::string name_;
    std::function<void()> after_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> app_;
};

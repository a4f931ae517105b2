#include <gtest/gtest.h>

#include <string>

#include "core/workflow/ModalGate.h"

namespace kyq {
namespace {

TEST(ModalGate, WhatArrivesWhileADialogIsOpenWaitsForTheLastToClose)
{
    ModalGate gate;
    std::string ran;
    gate.WhenFree([&] { ran += 'a'; });  // nothing open: at once
    EXPECT_EQ(ran, "a");

    gate.Enter();  // 添加密码
    gate.Enter();  // a message box over it
    gate.WhenFree([&] { ran += 'b'; });
    // The hand-over's prompt opens a dialog of its own: what came after it waits for that.
    gate.WhenFree([&] {
        ran += 'c';
        gate.Enter();
    });
    gate.WhenFree([&] { ran += 'd'; });
    gate.Leave();
    EXPECT_EQ(ran, "a");
    gate.Leave();
    EXPECT_EQ(ran, "abc");
    EXPECT_TRUE(gate.Busy());
    gate.Leave();
    EXPECT_EQ(ran, "abcd");
    EXPECT_FALSE(gate.Busy());

    gate.Leave();  // one close too many never goes below nothing open
    gate.Enter();
    EXPECT_TRUE(gate.Busy());
}

}  // namespace
}  // namespace kyq

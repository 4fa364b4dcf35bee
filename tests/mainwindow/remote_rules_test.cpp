#include "mainwindow/channel_order.h"
#include "mainwindow/key_commands.h"

#include "standard_items.h"

#include <QStandardItemModel>

#include <cmath>

#include <gtest/gtest.h>

using namespace rz4::mainwindow;
using rz4::testing::node;
using rz4::testing::Tag;

TEST(ChannelOrder, StepsThroughChannelsAcrossGroupsAndCategoriesAndWraps) {
    QStandardItem* one = node("one", "http://s/1");
    QStandardItem* two = node("two", "http://s/2");
    QStandardItem* three = node("three", "http://s/3");
    QStandardItem* four = node("four", "http://s/4");
    QStandardItem* empty = node("empty");
    QStandardItemModel model;
    model.appendRow(node("news", {}, {node("general", {}, {one, two}), empty}));
    model.appendRow(node("local", {}, {node("city", {}, {three, four})}));
    const auto step = [&](const QStandardItem* from, Direction d) {
        return adjacentChannel(model, from ? from->index() : QModelIndex(), d, Tag)
            .data()
            .toString();
    };
    EXPECT_EQ(step(one, Direction::Next), "two");
    EXPECT_EQ(step(two, Direction::Next), "three"); // past a group without channels
    EXPECT_EQ(step(four, Direction::Next), "one");
    EXPECT_EQ(step(three, Direction::Previous), "two");
    EXPECT_EQ(step(one, Direction::Previous), "four");
    // From a group, or from nothing at all.
    EXPECT_EQ(step(empty, Direction::Next), "three");
    EXPECT_EQ(step(empty, Direction::Previous), "two");
    EXPECT_EQ(step(nullptr, Direction::Next), "one");
    EXPECT_EQ(step(nullptr, Direction::Previous), "four");
}

TEST(ChannelOrder, ALoneChannelIsItsOwnNeighbourAndATreeWithoutChannelsHasNone) {
    QStandardItemModel model;
    QStandardItem* group = node("group");
    QStandardItem* only = node("only", "http://s/only");
    group->appendRows({node("no address"), only});
    model.appendRow(group);
    EXPECT_EQ(adjacentChannel(model, only->index(), Direction::Next, Tag), only->index());
    EXPECT_EQ(adjacentChannel(model, only->index(), Direction::Previous, Tag), only->index());

    only->setData(QVariant(), Tag);
    EXPECT_FALSE(adjacentChannel(model, only->index(), Direction::Next, Tag).isValid());
    EXPECT_FALSE(adjacentChannel(model, {}, Direction::Previous, Tag).isValid());
    QStandardItemModel empty;
    EXPECT_FALSE(adjacentChannel(empty, {}, Direction::Next, Tag).isValid());
}

TEST(KeyCommands, MapsTheWindowsKeysAndLeavesTheTreeItsOwn) {
    EXPECT_EQ(keyCommand(Qt::Key_Space, {}, KeyFocus::Window), KeyCommand::PlayPause);
    EXPECT_EQ(keyCommand(Qt::Key_Enter, Qt::KeypadModifier, KeyFocus::Window),
              KeyCommand::FullScreen);
    EXPECT_EQ(keyCommand(Qt::Key_Plus, Qt::ShiftModifier, KeyFocus::Window), KeyCommand::VolumeUp);
    EXPECT_EQ(keyCommand(Qt::Key_S, Qt::ControlModifier, KeyFocus::Window), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_PageUp, {}, KeyFocus::Window), KeyCommand::PreviousChannel);
    EXPECT_EQ(keyCommand(Qt::Key_PageUp, {}, KeyFocus::Tree), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_Down, {}, KeyFocus::Tree), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_Space, {}, KeyFocus::Tree), KeyCommand::PlayPause);
    // Typing in the tree finds channels, and Enter plays the one found.
    EXPECT_EQ(keyCommand(Qt::Key_S, {}, KeyFocus::Tree), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_5, Qt::KeypadModifier, KeyFocus::Tree), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_Return, {}, KeyFocus::Tree), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_Plus, {}, KeyFocus::Tree), KeyCommand::VolumeUp);
    // A button reached by Tab is pressed by Space and Enter; F still goes full screen.
    EXPECT_EQ(keyCommand(Qt::Key_Space, {}, KeyFocus::Button), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_Enter, Qt::KeypadModifier, KeyFocus::Button), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_F, {}, KeyFocus::Button), KeyCommand::FullScreen);
    EXPECT_EQ(keyCommand(Qt::Key_Down, {}, KeyFocus::Button), KeyCommand::NextChannel);
    // The arrows move a focused slider, Up louder; Page Down still changes the channel.
    EXPECT_EQ(keyCommand(Qt::Key_Up, {}, KeyFocus::Slider), KeyCommand::VolumeUp);
    EXPECT_EQ(keyCommand(Qt::Key_Left, {}, KeyFocus::Slider), KeyCommand::VolumeDown);
    // Outside the tree and the slider the arrows, End and R move in the time-shift and record;
    // the tree keeps them, and R finds a channel there.
    EXPECT_EQ(keyCommand(Qt::Key_Left, {}, KeyFocus::Window), KeyCommand::SeekBack);
    EXPECT_EQ(keyCommand(Qt::Key_Right, Qt::ShiftModifier, KeyFocus::Button),
              KeyCommand::SeekForwardLong);
    EXPECT_EQ(keyCommand(Qt::Key_Left, Qt::ShiftModifier, KeyFocus::Tree), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_End, {}, KeyFocus::Window), KeyCommand::GoLive);
    EXPECT_EQ(keyCommand(Qt::Key_End, {}, KeyFocus::Tree), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_R, Qt::ShiftModifier, KeyFocus::Window),
              KeyCommand::RecordFromStart);
    EXPECT_EQ(keyCommand(Qt::Key_R, {}, KeyFocus::Tree), std::nullopt);
    EXPECT_EQ(keyCommand(Qt::Key_PageDown, {}, KeyFocus::Slider), KeyCommand::NextChannel);
    EXPECT_EQ(keyCommand(Qt::Key_Space, {}, KeyFocus::Slider), KeyCommand::PlayPause);
}

TEST(KeyCommands, VolumeStepsStayInTheSlidersRange) {
    EXPECT_EQ(steppedVolume(50, 1, 100), 55);
    EXPECT_EQ(steppedVolume(98, 1, 100), 100);
    EXPECT_EQ(steppedVolume(3, -1, 100), 0);

    int rest = 0;
    EXPECT_EQ(wheelNotches(-240, rest), -2);
    EXPECT_EQ(wheelNotches(60, rest), 0); // half a notch from a fine wheel waits for the rest
    EXPECT_EQ(wheelNotches(60, rest), 1);

    EXPECT_EQ(sliderValue(0.5, 100), 50);
    EXPECT_EQ(sliderValue(1.7, 100), 100);
    EXPECT_EQ(sliderValue(std::nan(""), 100), 0);
}

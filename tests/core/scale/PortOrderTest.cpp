// The order ports are searched in: by their trailing number, not as text, each port once.

#include <gtest/gtest.h>

#include "core/scale/PortOrder.h"

using namespace vantor::scale;
using Names = std::vector<std::string>;

TEST(PortNumber, IsTheWholeTrailingNumber) {
    EXPECT_EQ(portNumber("COM1"), 1);
    EXPECT_EQ(portNumber("COM12"), 12);
    EXPECT_EQ(portNumber("/dev/ttyUSB0"), 0);
    EXPECT_EQ(portNumber("/dev/pts/17"), 17);
    EXPECT_EQ(portNumber("COM"), -1);
    EXPECT_EQ(portNumber(""), -1);
}

TEST(OrderPorts, SortsByPortNumberNotByText) {
    EXPECT_EQ(orderPorts({"COM3", "COM1", "COM2"}), (Names{"COM1", "COM2", "COM3"}));
    EXPECT_EQ(orderPorts({"COM10", "COM9", "COM1"}), (Names{"COM1", "COM9", "COM10"}));
    EXPECT_EQ(orderPorts({"/dev/ttyUSB10", "/dev/ttyS1", "/dev/ttyUSB2"}),
              (Names{"/dev/ttyS1", "/dev/ttyUSB2", "/dev/ttyUSB10"}));
    EXPECT_EQ(orderPorts({"/dev/pts/12", "/dev/pts/3"}), (Names{"/dev/pts/3", "/dev/pts/12"}));
}

TEST(OrderPorts, KeepsTheFirst32ListedAndDropsRepeats) {
    Names listed;
    for (int i = 40; i >= 1; --i)
        listed.push_back("COM" + std::to_string(i));
    const Names ordered = orderPorts(listed);
    ASSERT_EQ(ordered.size(), 32u);
    EXPECT_EQ(ordered.front(), "COM9");  // COM40..COM9 were the first 32 listed
    EXPECT_EQ(ordered.back(), "COM40");

    EXPECT_EQ(orderPorts({"COM2", "COM2", "", "COM1"}), (Names{"COM1", "COM2"}));
}

TEST(NaturalLess, IsAStrictOrder) {
    EXPECT_TRUE(naturalLess("COM9", "COM10"));
    EXPECT_FALSE(naturalLess("COM10", "COM9"));
    EXPECT_FALSE(naturalLess("COM1", "COM1"));
    EXPECT_NE(naturalLess("COM01", "COM1"), naturalLess("COM1", "COM01"));
    EXPECT_TRUE(naturalLess("COM99999999999999999999", "COM100000000000000000000"));
}

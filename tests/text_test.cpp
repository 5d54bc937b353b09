#include "records/text.h"

#include <gtest/gtest.h>

#include <utility>

namespace quill {
namespace {

TEST(Text, CopiesShareAndOutliveTheOriginal) {
    const std::string_view bytes("/usr/libexec/\0logd", 18);  // a NUL byte must not end it
    Text copy;
    {
        Text original(bytes);
        copy = original;
        EXPECT_TRUE(copy.sharesBufferWith(original));
    }
    EXPECT_EQ(copy.view(), bytes);
}

TEST(Text, MovedFromTextIsEmptyAndSelfAssignmentKeepsTheText) {
    Text a("x");
    Text b(std::move(a));
    EXPECT_EQ(b.view(), "x");
    EXPECT_TRUE(a.empty());  // NOLINT: a moved-from text is documented as empty
    const Text& same = b;    // through a reference, as self-assignment happens in real code
    b = same;                // and it keeps the text
    EXPECT_EQ(b.view(), "x");
}

TEST(TextPool, InternsEqualStringsOnce) {
    TextPool pool;
    const Text a = pool.intern("logd");
    const Text b = pool.intern(std::string("logd"));
    const Text c = pool.intern("kernel_task");
    EXPECT_TRUE(a.sharesBufferWith(b));
    EXPECT_FALSE(a.sharesBufferWith(c));
    EXPECT_EQ(pool.size(), 2u);
    pool.clear();
    EXPECT_EQ(a.view(), "logd");  // texts live on after the pool is gone
}

}  // namespace
}  // namespace quill

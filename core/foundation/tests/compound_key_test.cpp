// The compound key: packing is a stored format (the descriptor), so the golden text below
// must never change.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "core/foundation/compound_key_manager.h"
#include "core/foundation/compound_key_tables.h"

namespace {

const std::string kDataKey = "AbCdEfGhIjKlMnOpQrStUvWxYz0123456789+/abcdefghijklmnopqrstuvwxyz";
const std::string kDigest = "0123456789abcdef0123456789abcdef";

TEST(CompoundKeyText, GoldenPacking) {
    const std::string line = "\"Y\",\"" + kDigest + "\",\"" + kDataKey + "\"";
    std::string packed;
    ASSERT_TRUE(CCompoundKeyManager::EncodeCompoundKeyText(line, packed, 7));
    EXPECT_EQ(packed, "<y?<Ni5bjMB<:m+/j7#ii&:ZBT<t4_+m_@xgo^bz?%%DiNybi;4jBAAl%5>&R</l?]:g&&`z@l&_(bml(}4z?IiA4{WB7/M&j4<o+m%v`+v}U&W|#D]C:^I.LiVD5m;xij_bHCxdL:l2o&_gu>vym;+Hlx;?<]y/^SMy.(kVtVbpDv}7p.+_ggz");
    EXPECT_EQ(packed.find('='), std::string::npos);
    std::string back;
    ASSERT_TRUE(CCompoundKeyManager::DecodeCompoundKeyText(packed, back, 7));
    EXPECT_EQ(back, line);
}

TEST(CompoundKeyManager, GoldenDescriptorPacking) {
    // Freezes the whole chain a descriptor depends on: key number, mask, alphabet, packing.
    CCompoundKeyManager manager;
    manager.SetKeyForSelectTable("golden descriptor key");
    EXPECT_EQ(CCompoundKeyManager::GetKeyNumber("golden descriptor key"), 26);
    EXPECT_EQ(manager.MakeCompoundKey("Y", kDigest, kDataKey),
              "xLXe^l*T&vO{+%43yQQ0lgj~S6dP4]0BY.}Hd]zZlxiyyUz&NzGzWk6K%0~Z$HZ/2/KqGLGk99]]*Hd-uP?:gza^?ZBWhSllAi/e##$4G|gah~aTz:q)q;Pp{)-9]lXHB-&^&auWvKlGp-K0e^jArG6dY~xu6d8Y2ruXU.a&^.YeXX}^r[a-[[:");
}

TEST(CompoundKeyText, AnyChangedCharacterFailsTheDigest) {
    const std::string line = "\"N\",\"\",\"" + kDataKey + "\"";
    std::string packed;
    ASSERT_TRUE(CCompoundKeyManager::EncodeCompoundKeyText(line, packed, 200));
    const char* alphabet = kKeyedBase64Alphabets[200];
    for (std::size_t i = 0; i < packed.size(); ++i) {
        std::string bad = packed;
        // Another character of the same alphabet, so only the digest can notice.
        const char* pos = std::strchr(alphabet, bad[i]);
        ASSERT_NE(pos, nullptr);
        bad[i] = alphabet[(pos - alphabet + 1) % 64];
        std::string out = "kept";
        EXPECT_EQ(CCompoundKeyManager::DecodeCompoundKeyText(bad, out, 200), 0) << i;
        EXPECT_EQ(out, "kept");
    }
    // Truncated texts (fewer than 64 decoded bytes) and wrong tables fail cleanly too.
    std::string out;
    EXPECT_EQ(CCompoundKeyManager::DecodeCompoundKeyText(packed.substr(0, 80), out, 200), 0);
    EXPECT_EQ(CCompoundKeyManager::DecodeCompoundKeyText("", out, 200), 0);
    EXPECT_EQ(CCompoundKeyManager::DecodeCompoundKeyText(packed, out, 201), 0);
    EXPECT_EQ(CCompoundKeyManager::DecodeCompoundKeyText(packed, out, 300), 0);
}

TEST(CompoundKeyManager, PacksAndUnpacksThreeParts) {
    struct Case {
        std::string flag, digest, key;
    };
    const Case cases[] = {
        {"Y", kDigest, kDataKey},
        {"", "", kDataKey},
        {"N", "", kDataKey},
        // Quotes and commas inside a part survive.
        {"a\"b", "x,y", "\"\",," + kDataKey + "\""},
    };
    for (const Case& c : cases) {
        CCompoundKeyManager packer;
        packer.SetKeyForSelectTable("descriptor key");
        const std::string packed = packer.MakeCompoundKey(c.flag, c.digest, c.key);
        ASSERT_FALSE(packed.empty());
        EXPECT_EQ(packer.GetCompoundKey(), packed);

        CCompoundKeyManager reader;
        reader.SetKeyForSelectTable("descriptor key");
        reader.SetCompoundKey(packed);
        EXPECT_EQ(reader.GetUseEnvPasswordFlag(), c.flag);
        EXPECT_EQ(reader.GetEnvPasswordMD5(), c.digest);
        EXPECT_EQ(reader.GetDBKey(), c.key);
        CCompoundKeyManager copy = reader;
        EXPECT_EQ(copy.GetDBKey(), c.key);
    }
}

TEST(CompoundKeyManager, TableKeyDecides) {
    CCompoundKeyManager a, b;
    a.SetKeyForSelectTable("key one");
    b.SetKeyForSelectTable("key two");
    const std::string pa = a.MakeCompoundKey("Y", kDigest, kDataKey);
    EXPECT_EQ(a.MakeCompoundKey("Y", kDigest, kDataKey), pa);  // deterministic
    if (CCompoundKeyManager::GetKeyNumber("key one") != CCompoundKeyManager::GetKeyNumber("key two")) {
        EXPECT_NE(b.MakeCompoundKey("Y", kDigest, kDataKey), pa);
    }

    CCompoundKeyManager none;
    EXPECT_EQ(none.MakeCompoundKey("Y", kDigest, kDataKey), "");
    EXPECT_EQ(none.GetCompoundKey(), "");
    none.SetCompoundKey(pa);
    EXPECT_EQ(none.GetDBKey(), "");  // no table key

    CCompoundKeyManager wrong;
    wrong.SetKeyForSelectTable("another key altogether");
    wrong.SetCompoundKey(pa);
    if (CCompoundKeyManager::GetKeyNumber("another key altogether") !=
        CCompoundKeyManager::GetKeyNumber("key one")) {
        EXPECT_EQ(wrong.GetDBKey(), "");
    }
}

TEST(CompoundKeyManager, RandomDataKeys) {
    std::set<std::string> keys;
    for (int i = 0; i < 200; ++i) {
        const std::string key = CCompoundKeyManager::MakeRandomString();
        ASSERT_EQ(key.size(), 64u);
        EXPECT_EQ(key.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"),
                  std::string::npos);
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), 200u);  // two keys made in the same second differ
    char buf[65];
    EXPECT_FALSE(CCompoundKeyManager::MakeRandomString(buf, 64));
    ASSERT_TRUE(CCompoundKeyManager::MakeRandomString(buf, sizeof buf));
    EXPECT_EQ(std::strlen(buf), 64u);
}

}  // namespace

// Fields that hold a table of entries, each with a list of its own: shops with their item
// indexes, enemy groups with their members, image effects and map animations with their
// positions. However the counts are declared, the entries and all their lists together never
// take the field past what its 32-bit data size can count: the list that would is refused. The
// tables made here cost address space only, and none is written.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "convert/images/image_effects.h"
#include "convert/images/map_anims.h"
#include "convert/rules/enemies.h"
#include "convert/rules/shops.h"
#include "support.h"

namespace kelv::test {
namespace {

constexpr std::int64_t kMaxData = std::numeric_limits<std::int32_t>::max();

// The tags of one such field: the entries' count, each entry's list count, the entry's end.
struct Tags {
  std::string entries;
  std::string list;
  std::string entry_end;
};

std::string three_entries(const Tags& t, std::initializer_list<std::int64_t> list_counts) {
  std::string s = "<" + t.entries + ">\n3\n</" + t.entries + ">\n";
  for (const std::int64_t n : list_counts) {
    s += "<" + t.list + ">\n" + std::to_string(n) + "\n</" + t.list + ">\n</" + t.entry_end + ">\n";
  }
  return s;
}

// Three entries of `entry_bytes` each besides their lists of `record_bytes` records: the first
// two lists take a third of the field each; the third is made up to what they leave, and is
// refused one record past it.
template <class C, class ListOf>
void check_lists_share_the_field(const Tags& tags, std::int64_t entry_bytes,
                                 std::int64_t record_bytes, ListOf list_of) {
  const std::int64_t third = kMaxData / record_bytes / 3;
  const std::int64_t most = (kMaxData - 3 * entry_bytes) / record_bytes - 2 * third;
  ASSERT_GT(most, third / 2);
  for (const std::int64_t last : {most, most + 1}) {
    SCOPED_TRACE(testing::Message() << "lists of " << third << ", " << third << ", " << last);
    C c;
    const std::string source = three_entries(tags, {third, third, last});
    MemorySource in(source);
    RecordingReport report;
    ASSERT_FALSE(c.read(in, report));
    EXPECT_EQ(list_of(c, 0).size(), static_cast<std::size_t>(third));
    EXPECT_EQ(list_of(c, 1).size(), static_cast<std::size_t>(third));
    if (last == most) {
      EXPECT_EQ(list_of(c, 2).size(), static_cast<std::size_t>(most));
      EXPECT_FALSE(report.has<seen::TableRefused>());
    } else {
      EXPECT_FALSE(list_of(c, 2).present());
      EXPECT_TRUE(report.has<seen::TableRefused>());
    }
    c.release();
  }
}

TEST(ListsSharingAField, ShopItemIndexes) {
  // A shop counts 32 bytes and two names of at most a short line each besides its items.
  check_lists_share_the_field<ShopList>(
      {"shop_number", "item_number", "shop_data"}, 32 + 2 * 256, 4,
      [](ShopList& c, int i) -> const Table<ShopItem>& { return c.shops.at(i)->item_indexes; });
}

TEST(ListsSharingAField, EnemyGroupMembers) {
  check_lists_share_the_field<EnemyGroups>(
      {"enemy_number", "enemies_number", "enemy_data"}, 4, 96,
      [](EnemyGroups& c, int i) -> const Table<EnemyMember>& { return c.groups.at(i)->members; });
}

// An effect writes its 320-byte main data and its position count besides its positions.
TEST(ListsSharingAField, ImageEffectPositions) {
  check_lists_share_the_field<ImageEffects>(
      {"image_effect_number", "image_effect_pos_number", "image_effect_data"}, 320 + 4, 16,
      [](ImageEffects& c, int i) -> const Table<EffectPosition>& {
        return c.effects.at(i)->positions;
      });
}

TEST(ListsSharingAField, MapAnimationPositions) {
  check_lists_share_the_field<MapAnimations>(
      {"map_anim_number", "map_anim_pos_number", "map_anim_data"}, 4, 8,
      [](MapAnimations& c, int i) -> const Table<MapAnimPosition>& {
        return c.animations.at(i)->positions;
      });
}

}  // namespace
}  // namespace kelv::test

#include "qorParameterList.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QString>
#include <QVariant>

TEST(ParameterList, SetValueFindsNamesIgnoringAsciiCase) {
  TqorParameterList list;
  list.SetValue("Titel", 1);
  list.SetValue("TITEL", 2);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0)->Name, "Titel");
  EXPECT_EQ(list.Items(0)->Value, QVariant(2));

  list.SetValue("Größe", QString("klein"));
  list.SetValue("GRÖßE", true);
  list.SetValue("größe", QDate(2011, 4, 25));
  ASSERT_EQ(list.Count(), 3) << "Ö and ö differ, only a-z match A-Z";
  EXPECT_EQ(list.Items(1)->Value, QVariant(QDate(2011, 4, 25)));
  EXPECT_EQ(list.Items(2)->Value, QVariant(true));
}

TEST(ParameterList, SortedSearchFindsByName) {
  TqorParameterList list;
  for (const char* name : {"delta", "Alpha", "charlie", "BRAVO", "echo"}) list.SetValue(name, {});
  list.Sort();
  EXPECT_EQ(list.Items(0)->Name, "Alpha");
  EXPECT_EQ(list.Items(1)->Name, "BRAVO");
  TqorParameter probe;
  probe.Name = "Charlie";
  EXPECT_EQ(list.Search(&probe, false), 2);
  list.SetValue("ECHO", 5);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Items(4)->Value, QVariant(5));
  EXPECT_FALSE(list.Items(0)->Value.isValid()) << "an empty value";
}

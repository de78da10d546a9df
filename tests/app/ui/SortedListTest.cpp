#include "QtPrinters.h"
#include "app/ui/SortedListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::app {
namespace {

std::vector<SortedListView::Column> columns()
{
    return {
        {"Name:", 100}, {"ID:", 50},   {"Notes:", 100},        {"Shrunk Size (MB):", 90},
        {"Good:", 50},  {"Nick:", 80}, {"Instructions:", 100},
    };
}

ListItem item(const QString& caption, const QString& id = QString(), BootImage image = BootImage::Cross)
{
    ListItem i;
    i.caption = caption;
    i.subItems = {id, "n", "s", "g", "k", "i"};
    i.image = image;
    return i;
}

QStringList captions(const SortedListModel& model)
{
    QStringList out;
    for (int i = 0; i < model.size(); ++i)
        out << model.item(i).caption;
    return out;
}

SortedListModel makeModel(SortedListModel::CaptionEditing editing = SortedListModel::CaptionEditing::InPlace)
{
    return SortedListModel({"a", "b", "c", "d", "e", "f", "g"}, editing, SortedListModel::RowImages::Shown,
                           CaptionCollator(QLocale(QLocale::English, QLocale::UnitedStates)));
}

TEST(SortedListOrder, LocaleAwareCaseSensitiveNotByteOrder)
{
    struct Case {
        QStringList added;
        QStringList expected;
    };
    const std::vector<Case> cases{
        // Small before capital within the same letters; byte order would put "ABC" first.
        {{"ABC", "abc"}, {"abc", "ABC"}},
        {{"b", "B", "a", "A"}, {"a", "A", "b", "B"}},
        // Letters compare before case: "apple" < "Banana" < "cherry".
        {{"cherry", "Banana", "apple"}, {"apple", "Banana", "cherry"}},
        // Punctuation and digits sort before letters.
        {{"zeta", "!bang", "9 lives", "alpha"}, {"!bang", "9 lives", "alpha", "zeta"}},
        // Accents are a secondary difference: "resume" < "résumé" < "rose".
        {{"rose", QString::fromUtf8("r\xc3\xa9sum\xc3\xa9"), "resume"},
         {"resume", QString::fromUtf8("r\xc3\xa9sum\xc3\xa9"), "rose"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        SortedListModel model = makeModel();
        for (const QString& caption : c.added)
            model.AddItem(item(caption));
        EXPECT_EQ(captions(model), c.expected) << c.added.join(',').toStdString();
    }
}

TEST(SortedListOrder, SubItemsAndImagesTravelWithTheirRow)
{
    SortedListModel model = makeModel();
    model.AddItem(item("b", "id-b", BootImage::Tick));
    model.AddItem(item("a", "id-a", BootImage::Cross));
    model.AddItem(item("c", "id-c", BootImage::Tick));
    ASSERT_EQ(captions(model), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "id-a");
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), "id-b");
    EXPECT_EQ(model.item(1).image, BootImage::Tick);
    EXPECT_EQ(model.item(0).image, BootImage::Cross);
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.data(model.index(0, 1), Qt::DecorationRole).isNull());
}

TEST(SortedListOrder, EqualCaptionsKeepTheirAddingOrder)
{
    SortedListModel model = makeModel();
    for (const char* id : {"1", "2", "3"})
        model.AddItem(item("same", id));
    model.AddItem(item("a"));
    model.setCaption(2, "same"); // unchanged text: no re-sort
    ASSERT_EQ(model.size(), 4);
    EXPECT_EQ(model.item(1).subItems[0], "1");
    EXPECT_EQ(model.item(2).subItems[0], "2");
    EXPECT_EQ(model.item(3).subItems[0], "3");
}

TEST(SortedListOrder, CaptionChangeResortsAndReportsNewPosition)
{
    SortedListModel model = makeModel();
    for (const char* c : {"b", "d", "f"})
        model.AddItem(item(c, c));
    EXPECT_EQ(model.setCaption(0, "z"), 2);
    EXPECT_EQ(captions(model), (QStringList{"d", "f", "z"}));
    EXPECT_EQ(model.item(2).subItems[0], "b");
    EXPECT_EQ(model.setCaption(2, "a"), 0);
    EXPECT_EQ(captions(model), (QStringList{"a", "d", "f"}));
}

TEST(SortedListBatch, AFillSortsOnceAndClearDropsPendingRows)
{
    SortedListModel model = makeModel();
    QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    model.FillStarted();
    for (int i = 500; i > 0; --i)
        model.AddItem(item(QStringLiteral("item %1").arg(i, 4, 10, QLatin1Char('0'))));
    EXPECT_EQ(model.size(), 0); // held back until the batch ends
    model.FillFinished();
    EXPECT_EQ(model.size(), 500);
    EXPECT_EQ(inserts.count(), 1);
    EXPECT_EQ(layouts.count(), 0); // sorted before the view saw the rows
    EXPECT_EQ(model.item(0).caption, "item 0001");
    EXPECT_EQ(model.item(499).caption, "item 0500");

    // A second batch on top of existing rows merges in with one sort.
    model.FillStarted();
    model.AddItem(item("item 0000"));
    model.AddItem(item("item 9999"));
    model.FillFinished();
    EXPECT_EQ(layouts.count(), 1);
    EXPECT_EQ(model.item(0).caption, "item 0000");
    EXPECT_EQ(model.item(501).caption, "item 9999");

    model.FillStarted();
    model.AddItem(item("lost"));
    model.Clear();
    model.FillFinished();
    EXPECT_EQ(model.size(), 0);
}

TEST(SortedListView, SinkFillKeepsItemsAddedBeforeAFailure)
{
    SortedListView view(columns(), SortedListModel::CaptionEditing::ReadOnly, SortedListModel::RowImages::Shown);
    EXPECT_EQ(view.model()->headerData(3, Qt::Horizontal).toString(), "Shrunk Size (MB):");
    EXPECT_EQ(view.columnWidth(0), 100);
    EXPECT_EQ(view.columnWidth(3), 90);
    EXPECT_EQ(view.columnWidth(5), 80);
    ListSink& sink = view;
    sink.Clear();
    sink.AddItem(item("b"));
    sink.AddItem(item("a"));
    sink.FillFinished();
    sink.FillFinished(); // a second end is harmless
    EXPECT_EQ(captions(view.rows()), (QStringList{"a", "b"}));
    sink.Clear();
    EXPECT_EQ(view.rows().size(), 0);
    // Read-only captions.
    EXPECT_FALSE(view.rows().flags(view.rows().index(0, 0)) & Qt::ItemIsEditable);
}

// Filled with items, or with the records of a table (whose rows become
// items when sorted by another column or added to).
TEST(SortedListView, HeaderClicksSortByTheColumnAndANewFillReturnsToTheNameOrder)
{
    for (const bool fromTable : {false, true}) {
        SCOPED_TRACE(fromTable ? "table" : "items");
        std::vector<SortedListView::Column> sized = columns();
        sized[3].order = SortedListModel::ColumnOrder::Number;
        SortedListView view(sized, SortedListModel::CaptionEditing::ReadOnly, SortedListModel::RowImages::Shown);
        view.resize(600, 300);
        auto row = [](const char* name, const char* id, const char* size) {
            ListItem i = item(QString::fromLatin1(name), QString::fromLatin1(id));
            i.subItems[2] = QString::fromLatin1(size);
            return i;
        };
        auto table = std::make_shared<RecordTable>();
        // The fourth record is left out of every fill.
        for (const ListItem& i : {row("delta", "G2", "10"), row("alpha", "G3", "9"), row("charlie", "G1", "?"),
                                  row("golf", "G0", "1"), row("bravo", "G2", "10"), row("echo", "g1", "100")}) {
            std::array<std::string, RecordTable::Fields> texts{i.caption.toStdString()};
            for (std::size_t f = 0; f < i.subItems.size(); ++f)
                texts[f + 1] = i.subItems[f].toStdString();
            const std::array<std::string_view, RecordTable::Fields> views{texts[0], texts[1], texts[2], texts[3],
                                                                          texts[4], texts[5], texts[6]};
            table->Append(views, i.image);
        }
        auto fill = [&] {
            view.Clear();
            if (fromTable)
                view.AddRows(table, {0, 1, 2, 4, 5});
            else
                for (const RecordTable::Row r : {0, 1, 2, 4, 5})
                    view.AddItem(table->Item(r));
            view.FillFinished();
        };
        fill();
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        QHeaderView* header = view.horizontalHeader();
        auto click = [&](int column) {
            const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
        };
        // Equal IDs and sizes keep the name order, in both directions; sizes
        // compare as numbers ("9" before "10"), and a size that is no number
        // comes last.
        const std::vector<std::pair<int, QStringList>> clicks{
            {1, {"echo", "charlie", "bravo", "delta", "alpha"}}, {1, {"alpha", "bravo", "delta", "charlie", "echo"}},
            {3, {"alpha", "bravo", "delta", "echo", "charlie"}}, {3, {"echo", "bravo", "delta", "alpha", "charlie"}},
            {0, {"alpha", "bravo", "charlie", "delta", "echo"}}, {0, {"echo", "delta", "charlie", "bravo", "alpha"}},
        };
        for (const auto& [column, expected] : clicks) {
            click(column);
            EXPECT_EQ(captions(view.rows()), expected) << column;
        }
        click(3);
        ASSERT_EQ(view.rows().sortColumn(), 3);
        // A row added now takes its place by size; the name order is still known.
        view.rows().AddItem(row("foxtrot", "G4", "50"));
        EXPECT_EQ(captions(view.rows()), (QStringList{"alpha", "bravo", "delta", "foxtrot", "echo", "charlie"}));
        QStringList byName;
        for (const ListItem& i : view.rows().itemsInNameOrder())
            byName << i.caption;
        EXPECT_EQ(byName, (QStringList{"alpha", "bravo", "charlie", "delta", "echo", "foxtrot"}));

        // A new fill is in name order, and the header says so.
        fill();
        EXPECT_EQ(captions(view.rows()), (QStringList{"alpha", "bravo", "charlie", "delta", "echo"}));
        EXPECT_EQ(header->sortIndicatorSection(), 0);
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
        EXPECT_EQ(view.rows().item(3).subItems[2], "10");
        EXPECT_EQ(view.rows().data(view.rows().index(4, 1)).toString(), "g1");
        view.rows().RemoveItem(0);
        EXPECT_EQ(captions(view.rows()), (QStringList{"bravo", "charlie", "delta", "echo"}));
    }
}

TEST(SortedListView, InPlaceEditOfACaptionResorts)
{
    SortedListView view(columns(), SortedListModel::CaptionEditing::InPlace, SortedListModel::RowImages::Hidden);
    view.resize(600, 300);
    for (const char* c : {"alpha", "bravo", "charlie"})
        view.rows().AddItem(item(c, QString::fromLatin1(c).toUpper()));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QApplication::setActiveWindow(&view);

    // Edit "alpha" into "delta" as a user would: F2, type, Return.
    view.setCurrentIndex(view.model()->index(0, 0));
    view.setFocus();
    QTest::keyClick(view.viewport(), Qt::Key_F2);
    auto* editor = view.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "delta");
    QTest::keyClick(editor, Qt::Key_Return);

    // The delegate commits the edit from the event loop.
    const QStringList expected{"bravo", "charlie", "delta"};
    EXPECT_TRUE(QTest::qWaitFor([&] { return captions(view.rows()) == expected; }, 2000));
    EXPECT_EQ(captions(view.rows()), (QStringList{"bravo", "charlie", "delta"}));
    EXPECT_EQ(view.rows().item(2).subItems[0], "ALPHA");
    // Sub-items cannot be edited.
    EXPECT_FALSE(view.rows().flags(view.rows().index(0, 1)) & Qt::ItemIsEditable);
    // The current row followed its item.
    EXPECT_EQ(view.currentIndex().row(), 2);
}

} // namespace
} // namespace quorvane::app

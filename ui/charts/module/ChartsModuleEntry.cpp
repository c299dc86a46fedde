#include "ChartWindow.h"
#include "ChartsModule.h"
#include "SaveFile.h"
#include "SheetPages.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

using namespace Qt::StringLiterals;

namespace {

// Room all round for a printer's own unprintable edge.
constexpr double MarginMillimetres = 15;

void setUpA4(QPagedPaintDevice &device)
{
    device.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(MarginMillimetres, MarginMillimetres, MarginMillimetres, MarginMillimetres),
        QPageLayout::Millimeter));
}

class Module final : public ChartsModule
{
public:
    ChartWindowView *createChartWindow(QWidget *parent) override { return new ChartWindow(parent); }

    void print(const PrintedSheet &sheet, const QFont &font, QWidget *parent) override
    {
        QPrinter printer(QPrinter::HighResolution);
        // A print to a file proposes this name, as Save As does.
        printer.setDocName(proposedFileBaseName(sheet.name));
        setUpA4(printer);
        QPrintPreviewDialog preview(&printer, parent);
        preview.setObjectName(u"PrintPreview"_s);
        preview.setWindowTitle(u"印刷"_s);
        const SheetPages pages(sheet, font);
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&pages](QPrinter *target) { pages.paint(target); });
        preview.exec();
    }

    QByteArray pdf(const PrintedSheet &sheet, const QFont &font) override
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&buffer);
            writer.setTitle(sheet.name);
            writer.setCreator(u"Pelko"_s);
            writer.setResolution(300);
            setUpA4(writer);
            SheetPages(sheet, font).paint(&writer);
        }
        return buffer.data();
    }
};

} // namespace

extern "C" Q_DECL_EXPORT ChartsModule *pelkoChartsModule()
{
    static Module module;
    return &module;
}

static_assert(std::is_same_v<decltype(&pelkoChartsModule), ChartsModuleFactory>);

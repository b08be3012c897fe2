#pragma once

#include "exchange/import_rows.h"

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class QTableWidget;

namespace fenban::gui {

class ProjectContext;

// The import preview: shows a student spreadsheet row by row and, when confirmed, hands the rows to
// the progress window that writes them into the current project.
class ImportPreviewWindow : public QWidget {
    Q_OBJECT

public:
    explicit ImportPreviewWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent = nullptr);

    // Reads the file in the background and fills the grid when it is read.
    void load(const QString &path);
    bool isLoading() const { return m_loading; }
    // The grid's student rows (all but the terminating row), cells in the columns' shown order.
    QList<exchange::ImportRow> gridStudents() const;

signals:
    // A load has ended, filled or refused.
    void loadEnded();
    // The count of the rows shown, as the grid's caption says it.
    void rowsCounted(const QString &text);
    // An import into the project has ended, written or given up.
    void studentsWritten();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWidgets();
    void chooseFile();
    void importRows();
    void openSample();
    void fillGrid(const exchange::ImportSheet &sheet);
    void setLoading(bool loading);

    std::shared_ptr<const ProjectContext> m_context;
    QTableWidget *m_studentGrid = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_importButton = nullptr;
    QLabel *m_countLabel = nullptr;
    QLabel *m_sampleLink = nullptr;
    bool m_loading = false;
};

// Where the sample spreadsheet is delivered: beside the program, or in the installed data folder.
QString sampleSpreadsheetPath();

} // namespace fenban::gui

#include <xlsxwriter.h>
int main(void) {
    lxw_workbook* wb = workbook_new("roster.xlsx");
    lxw_worksheet* a = workbook_add_worksheet(wb, "一年级");
    worksheet_write_string(a, 0, 0, "姓名", NULL);
    worksheet_write_string(a, 0, 1, "学号", NULL);
    worksheet_write_string(a, 0, 2, "班级", NULL);
    const char* names[] = {"张三", "李四", "  王五\t ", "赵六", "Émile"};
    for (int i = 0; i < 5; ++i) {
        worksheet_write_string(a, i + 1, 0, names[i], NULL);
        worksheet_write_number(a, i + 1, 1, 1001 + i, NULL);
        if (i != 3) worksheet_write_string(a, i + 1, 2, i < 2 ? "一班" : "二班", NULL);
    }
    lxw_worksheet* b = workbook_add_worksheet(wb, "二年级");
    worksheet_write_string(b, 0, 0, "钱七", NULL);
    worksheet_write_string(b, 1, 0, "孙八", NULL);
    worksheet_write_boolean(b, 2, 0, 1, NULL);
    workbook_add_worksheet(wb, "空表");
    return workbook_close(wb);
}
